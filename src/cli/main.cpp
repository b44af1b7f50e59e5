#include <iostream>

#include "cli/CliApp.h"
#include "cli/SleepPacer.h"
#include "platform/Console.h"
#include "platform/PlatformHidApi.h"

int main(int argc, char** argv) {
  const usblink::ConsoleSession console;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const usblink::cli::Environment environment{
      usblink::MakePlatformHidApi,
      [](bool fast) -> std::unique_ptr<usblink::Pacer> {
        return std::make_unique<usblink::cli::SleepPacer>(
            fast ? usblink::cli::SleepPacer::Fast() : usblink::cli::SleepPacer::Standard());
      },
      usblink::PlatformAccessHint};
  return usblink::cli::RunCli(
      arguments, {std::cout, std::cerr, usblink::StderrIsTerminal(), console.StderrTakesEscapes()},
      environment);
}
