// Saves its standard input to the file named by its argument, as the program saves a subtitle file: the
// tests run it as another user, or kill it in the middle. Exit status 0 when saved; 1 with the message on
// standard error otherwise.
// With --announce first, prints "saving" once the bytes are read, right before the save starts (a measuring
// script kills it at a random point after that). With --open first, does what opening a video does to the subtitle file before reading it (removes what a
// killed save left, completes a save killed in place) and prints "completed" or "nothing".
#include <iostream>
#include <iterator>
#include <string>

#include "platforms/posix/PosixFileSystem.h"

int main(int argc, char** argv) {
  const std::string option = argc == 3 ? argv[1] : "";
  if (argc != 2 && option != "--open" && option != "--announce") {
    std::cerr << "usage: titrelle_save_file [--announce] PATH < BYTES\n       titrelle_save_file --open PATH\n";
    return 2;
  }
  const char* const path = argv[argc - 1];
  try {
    titrelle::PosixFileSystem files;
    if (option == "--open") {
      files.RemoveUnfinishedSaves(path);
      std::cout << (files.CompleteInterruptedSave(path) ? "completed" : "nothing") << "\n";
      return 0;
    }
    const std::string bytes(std::istreambuf_iterator<char>(std::cin), {});
    if (option == "--announce") std::cout << "saving" << std::endl;
    files.Save(path, bytes);
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  return 0;
}
