// Writes the sample descriptors of the parser tests, one file each, into the
// directory named on the command line: the fuzzer's starting corpus.

#include <filesystem>
#include <fstream>
#include <iostream>

#include "platform/parser/SampleDescriptors.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: write-seed-corpus DIRECTORY\n";
    return 2;
  }
  const std::filesystem::path directory = argv[1];
  std::filesystem::create_directories(directory);
  for (const usblink::samples::SampleDescriptor& sample : usblink::samples::kAll) {
    std::ofstream file(directory / sample.name, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(sample.bytes.data()),
               static_cast<std::streamsize>(sample.bytes.size()));
    if (!file) {
      std::cerr << "cannot write " << (directory / sample.name) << '\n';
      return 1;
    }
  }
  return 0;
}
