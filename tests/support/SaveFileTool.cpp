// Saves its standard input to the file named by its argument, as the program saves a subtitle file: the
// tests run it as another user. Exit status 0 when saved; 1 with the message on standard error otherwise.
#include <iostream>
#include <iterator>
#include <string>

#include "platforms/posix/PosixFileSystem.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: titrelle_save_file PATH < BYTES\n";
    return 2;
  }
  const std::string bytes(std::istreambuf_iterator<char>(std::cin), {});
  try {
    titrelle::PosixFileSystem().Save(argv[1], bytes);
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  return 0;
}
