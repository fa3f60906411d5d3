// orvak: the application. Arguments are links to open (orvak://...); a second start hands them
// to the running instance and ends.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/shell/application.h"

int main(int argc, char** argv) {
  try {
    return orvak::shell::run(argc, argv, std::vector<std::string>(argv + 1, argv + argc), {});
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvak: %s\n", e.what());
    return 1;
  }
}
