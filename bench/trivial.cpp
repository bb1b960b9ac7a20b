// The start-up of a C++ program that does nothing: the dynamic loader, the C
// and C++ run-time libraries and their static initialisers, and the exit.
#include <string>

int main(int argc, char** argv) {
  // Touches the C++ library so that it is loaded as it is for weft.
  const std::string name = argc > 0 ? argv[0] : "";
  return name.empty() ? 0 : 1;
}
