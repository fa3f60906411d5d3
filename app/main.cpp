#include <cstdio>

int main() {
  std::puts("orvak: the application is not built yet; try orvak-dev.");
  return 0;
}
