// What the request frame costs per func: a request of 100 funcs whose names no member serves,
// against the same request without funcs (the fixed cost of a request: connection, right,
// transaction) on the demo account. The run ends with the processor time per func.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "RunTimes.h"
#include "core/COperation.h"
#include "host/EmbeddedLoginContext.h"
#include "host/PasswordCodec.h"
#include "platform/db/AccountCreator.h"
#include "platform/xml/XmlDocument.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

constexpr int kFuncs = 100;

std::string requestWith(int funcs) {
  std::string text = "<req>";
  for (int i = 0; i < funcs; ++i) text += "<func name='unknown" + std::to_string(i) + "'><in/></func>";
  return text + "</req>";
}

class Frame : public benchmark::Fixture {
 public:
  void SetUp(const benchmark::State&) override {
    folder = fs::temp_directory_path() / ("corvane-frame-bench-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    db::createDemoAccount(folder, [](const std::string& plain) { return EmbeddedPasswordCodec().Encode(plain); });
    LoginOptions options;
    options.account = folder;
    options.user = "demo";
    options.password = "demo";
    login = EmbeddedLoginContext::logIn(options);
  }
  void TearDown(const benchmark::State&) override {
    login.reset();
    fs::remove_all(folder);
  }

 protected:
  void serve(benchmark::State& state, const std::string& request) {
    for (auto _ : state) {
      XmlDocument document;
      document.loadXML(request);
      COperation().myHandle(login.get(), document);
      benchmark::DoNotOptimize(document);
    }
  }

  fs::path folder;
  std::unique_ptr<EmbeddedLoginContext> login;
};

BENCHMARK_DEFINE_F(Frame, RequestWithoutFuncs)(benchmark::State& state) { serve(state, requestWith(0)); }
BENCHMARK_DEFINE_F(Frame, RequestOf100UnknownFuncs)(benchmark::State& state) { serve(state, requestWith(kFuncs)); }
BENCHMARK_REGISTER_F(Frame, RequestWithoutFuncs)->Unit(benchmark::kMicrosecond);
BENCHMARK_REGISTER_F(Frame, RequestOf100UnknownFuncs)->Unit(benchmark::kMicrosecond);

// Prints the time per func: the difference of the two requests over the number of funcs, in
// processor time (the commit's disk wait is no work of the frame).
class PerFuncReporter : public bench::RunTimesReporter {
 public:
  PerFuncReporter() : RunTimesReporter(Clock::Processor) {}
  void Finalize() override {
    ConsoleReporter::Finalize();
    const double baseline = timeOf("Frame/RequestWithoutFuncs");  // microseconds
    const double withFuncs = timeOf("Frame/RequestOf100UnknownFuncs");
    if (baseline > 0 && withFuncs > 0) {
      std::printf("time per func %.2f us (request without funcs %.0f us, with %d funcs %.0f us)\n",
                  (withFuncs - baseline) / kFuncs, baseline, kFuncs, withFuncs);
    }
  }
};

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  corvane::PerFuncReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
