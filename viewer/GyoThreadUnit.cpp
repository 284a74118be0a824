#include "viewer/GyoThreadUnit.h"

TGyoThread::TGyoThread(std::wstring path, int textCode, int64_t progressMax, bool littleEndian, bool lone,
                       int buildNumber)
    : Path(std::move(path)),
      BuildNumber(buildNumber),
      textCode_(textCode),
      progressMax_(progressMax),
      littleEndian_(littleEndian),
      lone_(lone) {}

TGyoThread::~TGyoThread() { StopAndWait(); }

void TGyoThread::Execute() {
  class Sink : public engine::ProgressSink {
   public:
    explicit Sink(TGyoThread& t) : t_(t) {}
    void SetMaximum(int64_t m) override {
      if (t_.OnProgressMax) t_.Synchronize([&] { t_.OnProgressMax(m); });
    }
    void Step(int64_t p) override {
      if (t_.OnProgress) t_.Synchronize([&] { t_.OnProgress(p); });
    }
    bool ShouldStop() override { return t_.IsCancelled() || t_.Terminated(); }

   private:
    TGyoThread& t_;
  } sink(*this);
  engine::LineIndexOptions o;
  o.textCode = textCode_;
  o.littleEndian = littleEndian_;
  o.lone = lone_;
  o.chunk = Chunk;
  Result = engine::BuildLineIndex(Path, o, progressMax_, sink, Records);
  if (Result.cancelled) cancelled_ = true;
}
