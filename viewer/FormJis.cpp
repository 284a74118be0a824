// JIS files: the shown page's text and the file's bytes behind it. The page
// is read from the state in force at its start (found from the bytes before
// it), and every caret, selection, line start, typed edit and range of a JIS
// file goes between the view and the file through that one reading
// (text/JisDecode.h), so that what is selected, copied, edited and written is
// exactly the text the page shows.
#include <algorithm>
#include <string>

#include "framework/FileOps.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "text/JisDecode.h"
#include "text/JisEdit.h"
#include "text/JisWrite.h"
#include "viewer/FileAccess.h"
#include "viewer/VastrelForm.h"

namespace {

const unsigned char* Bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

// A lone CR or LF of the text at k: the view shows it as CR LF when the
// CR/LF switch is on.
bool LoneLineEnd(const std::string& t, size_t k) {
  if (t[k] == '\r') return k + 1 >= t.size() || t[k + 1] != '\n';
  if (t[k] == '\n') return k == 0 || t[k - 1] != '\r';
  return false;
}

}  // namespace

std::string TVastrelForm::JisDecodePage(int64_t start, const std::string& raw) {
  JisPage = JisPageText();
  JisPage.start = start;
  fileops::File file(OpenForReading(Doc.FilePath));
  bool aligned = true;
  if (file.IsOpen() && !jisdecode::StateBefore(FileReader(file.get()), start, jisdecode::kStateWindow,
                                               &JisPage.state, &aligned))
    JisPage.state = jisdecode::State();
  file.Close();
  JisPage.text = jisdecode::Read(Bytes(raw), raw.size(), JisPage.state);
  // The converter shows it (its substitute, its list of what it could not
  // convert); its text has the reader's length byte for byte.
  std::string shown;
  if (!Conv.JisToSjis((jisdecode::Prefix(JisPage.state) + raw).c_str(), &shown)) shown = JisPage.text.sjis;
  return shown;
}

int64_t TVastrelForm::JisPageOffset(int64_t textIndex) {
  const std::vector<uint32_t>& ends = JisPage.text.ends;
  if (ends.empty() || textIndex <= 0) return 0;
  return ends[std::min<size_t>(static_cast<size_t>(textIndex), ends.size() - 1)];
}

int64_t TVastrelForm::JisPageIndex(int64_t offset) {
  if (JisPage.text.ends.empty() || offset <= 0) return 0;
  return static_cast<int64_t>(jisdecode::IndexAt(JisPage.text, static_cast<size_t>(offset)));
}

int64_t TVastrelForm::JisMemoToText(int64_t memoIndex) {
  if (memoIndex <= 0) return 0;
  const std::string& t = JisPage.text.sjis;
  if (!CheckBox6->Checked()) return std::min<int64_t>(memoIndex, static_cast<int64_t>(t.size()));
  int64_t memo = 0;
  size_t k = 0;
  for (; k < t.size() && memo < memoIndex; ++k) memo += LoneLineEnd(t, k) ? 2 : 1;
  return static_cast<int64_t>(k);
}

int64_t TVastrelForm::JisTextToMemo(int64_t textIndex) {
  const std::string& t = JisPage.text.sjis;
  const size_t n = std::min<size_t>(static_cast<size_t>(std::max<int64_t>(0, textIndex)), t.size());
  if (!CheckBox6->Checked()) return static_cast<int64_t>(n);
  int64_t memo = 0;
  for (size_t k = 0; k < n; ++k) memo += LoneLineEnd(t, k) ? 2 : 1;
  return memo;
}

int64_t TVastrelForm::JisViewToFile(int64_t memoIndex) {
  return JisPage.start + JisPageOffset(JisMemoToText(memoIndex));
}

int64_t TVastrelForm::JisFileToView(int64_t pageOffset) { return JisTextToMemo(JisPageIndex(pageOffset)); }

selection::FileSelection TVastrelForm::JisViewRangeToFile(int64_t caret, int64_t viewLength) {
  const int64_t a = JisViewToFile(caret);
  const int64_t b = viewLength > 0 ? JisViewToFile(caret + viewLength) : a;
  return {a, std::max<int64_t>(0, b - a)};
}

std::vector<TVastrelForm::PageLine> TVastrelForm::JisPageLines(const std::string& shown) {
  std::vector<PageLine> lines;
  const std::string& t = JisPage.text.sjis;
  const bool lone = CheckBox6->Checked();
  int64_t view = 0;
  lines.push_back({0, JisPage.start});
  for (size_t i = 0; i < shown.size() && i < t.size(); ++i) {
    const char c = t[i];
    if (c != '\r' && c != '\n') {
      ++view;
      continue;
    }
    const bool pair = c == '\r' && i + 1 < t.size() && t[i + 1] == '\n';
    view += pair || lone ? 2 : 1;
    if (pair) ++i;
    lines.push_back({view, JisPage.start + JisPageOffset(static_cast<int64_t>(i + 1))});
  }
  return lines;
}

bool TVastrelForm::JisStateAt(const textio::ReadAt& read, int64_t offset, jiswrite::State* state,
                              std::string* before) {
  bool aligned = false;
  if (!jisdecode::StateBefore(read, offset, jisdecode::kStateWindow, state, &aligned)) return false;
  before->clear();
  const int64_t keep = std::min<int64_t>(offset, 5);
  if (keep > 0) {
    before->assign(static_cast<size_t>(keep), '\0');
    if (read(offset - keep, &(*before)[0], before->size()) != keep) return false;
  }
  return aligned;
}

int64_t TVastrelForm::JisFileLengthOfText(int64_t start, int64_t textBytes) {
  if (textBytes <= 0) return 0;
  fileops::File file(OpenForReading(Doc.FilePath));
  if (!file.IsOpen()) return -1;
  const textio::ReadAt read = FileReader(file.get());
  jiswrite::State state;
  std::string before;
  JisStateAt(read, start, &state, &before);
  // A character takes at most two bytes; the sequences between them come on top.
  std::string data(static_cast<size_t>(std::min<int64_t>(textBytes * 4 + 64, int64_t{1} << 26)), '\0');
  const int64_t got = read(start, &data[0], data.size());
  if (got < 0) return -1;
  data.resize(static_cast<size_t>(got));
  const jisdecode::Text t = jisdecode::Read(Bytes(data), data.size(), state);
  return t.ends[std::min<size_t>(static_cast<size_t>(textBytes), t.ends.size() - 1)];
}

bool TVastrelForm::JisPageBytes(std::string* data) {
  if (JisPage.start < 0) return false;
  fileops::File file(OpenForReading(Doc.FilePath));
  if (!file.IsOpen()) return false;
  // The page's bytes and a few behind them, so that the character at the end is whole.
  const int64_t want = static_cast<int64_t>(JisPage.text.ends.back()) + 16;
  data->assign(static_cast<size_t>(want), '\0');
  const int64_t got = FileReader(file.get())(JisPage.start, &(*data)[0], data->size());
  if (got < 0) return false;
  data->resize(static_cast<size_t>(got));
  return true;
}

bool TVastrelForm::JisTypeText(int64_t caret, const std::string& sjis) {
  std::string data;
  if (!JisPageBytes(&data)) return false;
  const jisedit::Point p = jisedit::Locate(Bytes(data), data.size(), JisPage.state, JisMemoToText(caret));
  const jisedit::Change c = jisedit::Typed(Bytes(data), data.size(), JisPage.state, p, sjis, Conv.KanaByShiftOut);
  return ReplaceBytesInFile(JisPage.start + c.at, c.length, c.bytes);
}

bool TVastrelForm::JisRemoveText(int64_t caret, int charLength, bool backspace) {
  std::string data;
  if (!JisPageBytes(&data)) return false;
  int64_t from = JisMemoToText(backspace ? caret - charLength : caret);
  int64_t to = JisMemoToText(backspace ? caret : caret + charLength);
  // A line end goes whole: Backspace on its LF takes the CR along, Delete on
  // its CR the LF.
  const std::string& t = JisPage.text.sjis;
  const size_t f = static_cast<size_t>(from);
  if (backspace && f > 0 && f < t.size() && to == from + 1 && t[f] == '\n' && t[f - 1] == '\r') --from;
  if (!backspace && f + 1 < t.size() && to == from + 1 && t[f] == '\r' && t[f + 1] == '\n') ++to;
  const jisedit::Change c = jisedit::Removal(Bytes(data), data.size(), JisPage.state, from, to);
  if (c.length <= 0) return false;
  Doc.SelStart = LastSelStart = JisPage.start + JisPageOffset(from);
  return ReplaceBytesInFile(JisPage.start + c.at, c.length, c.bytes);
}

bool TVastrelForm::JisRemoveRange(int64_t start, int64_t length) {
  if (length <= 0) return false;
  std::string data, before;
  jiswrite::State from;
  {
    fileops::File file(OpenForReading(Doc.FilePath));
    if (!file.IsOpen()) return false;
    const textio::ReadAt read = FileReader(file.get());
    if (!JisStateAt(read, start, &from, &before)) return false;
    data.assign(static_cast<size_t>(length), '\0');
    if (read(start, &data[0], data.size()) != length) return false;
  }
  bool aligned = false;
  const jiswrite::State to = jisdecode::StateAt(Bytes(data), data.size(), from, data.size(), &aligned);
  if (!aligned) return false;
  const std::string bytes = jiswrite::Join(before, std::string(), from, to, false, "?", nullptr);
  return ReplaceBytesInFile(start, length, bytes);
}

bool TVastrelForm::JisReadRange(HANDLE file, int64_t start, const std::string& bytes, std::string* text) {
  jiswrite::State state;
  std::string before;
  JisStateAt(FileReader(file), start, &state, &before);
  return Conv.JisToSjis((jisdecode::Prefix(state) + bytes).c_str(), text);
}
