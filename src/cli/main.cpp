#include <iostream>
#include <thread>

#include "cli/CliApp.h"
#include "platform/hid/HidApi.h"
#include "platform/os/Console.h"
#include "platform/os/StopSignals.h"

int main(int argc, char** argv) {
  // First of all: no device or file may land on a closed standard descriptor,
  // and from now on a signal or a closed pipe never ends the run half-way.
  if (const auto error = usblink::KeepStandardDescriptorsOpen()) {
    std::cerr << "usblink-cli: cannot open the null device: " << error.message() << '\n';
  }
  usblink::StopSignals& signals = usblink::InstallStopSignals();
  const usblink::ConsoleSession console;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const usblink::Environment environment{
      usblink::MakePlatformHidApi,
      [](bool fast) -> std::unique_ptr<usblink::Pacer> {
        return std::make_unique<usblink::cli::SleepPacer>(fast ? usblink::PollPace::Fast()
                                                               : usblink::PollPace::Standard());
      },
      usblink::PlatformAccessHint,
      [](std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); },
      usblink::PlatformCalculatorInUse,
      signals,
      usblink::BinaryStandardInput,
      usblink::BinaryStandardOutput};
  return usblink::cli::RunCli(
      arguments,
      {std::cout, std::cerr, usblink::StderrIsTerminal(), console.StderrTakesEscapes(),
       [] { return usblink::cli::TerminalColumns(usblink::StderrColumns()); },
       [] { return usblink::cli::TerminalRows(usblink::StderrRows()); }},
      environment);
}
