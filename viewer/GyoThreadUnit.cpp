#include "viewer/GyoThreadUnit.h"

TGyoThread::TGyoThread(std::wstring path, int textCode, int64_t progressMax, bool littleEndian, bool lone,
                       int buildNumber)
    : Path(std::move(path)),
      BuildNumber(buildNumber),
      Progress([this] { return IsCancelled() || Terminated(); }),
      textCode_(textCode),
      progressMax_(progressMax),
      littleEndian_(littleEndian),
      lone_(lone) {}

TGyoThread::~TGyoThread() { StopAndWait(); }

void TGyoThread::Execute() {
  engine::LineIndexOptions o;
  o.textCode = textCode_;
  o.littleEndian = littleEndian_;
  o.lone = lone_;
  o.chunk = Chunk;
  Result = engine::BuildLineIndex(Path, o, progressMax_, Progress, Records, &Marks);
  if (Result.cancelled) cancelled_ = true;
}
