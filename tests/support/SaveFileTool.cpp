// Saves its standard input to the file named by its argument, as the program saves a subtitle file: the
// tests run it as another user, or kill it in the middle. Exit status 0 when saved; 1 with the message on
// standard error otherwise.
// With --open first, does what opening a video does to the subtitle file before reading it (removes what a
// killed save left, completes a save killed in place) and prints "completed" or "nothing".
#include <iostream>
#include <iterator>
#include <string>

#include "platforms/posix/PosixFileSystem.h"

int main(int argc, char** argv) {
  const bool open = argc == 3 && std::string(argv[1]) == "--open";
  if (argc != 2 && !open) {
    std::cerr << "usage: titrelle_save_file PATH < BYTES\n       titrelle_save_file --open PATH\n";
    return 2;
  }
  try {
    titrelle::PosixFileSystem files;
    if (open) {
      files.RemoveUnfinishedSaves(argv[2]);
      std::cout << (files.CompleteInterruptedSave(argv[2]) ? "completed" : "nothing") << "\n";
      return 0;
    }
    const std::string bytes(std::istreambuf_iterator<char>(std::cin), {});
    files.Save(argv[1], bytes);
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  return 0;
}
