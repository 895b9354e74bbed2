// orbeta-send: asks the running kiosk of this user to close, or to open the pending site.
#include <iostream>
#include <string>

#include "platform/message_socket.h"

int main(int argc, char** argv) {
  const std::string word = argc == 2 ? argv[1] : "";
  if (word != "closemain" && word != "gotosite") {
    std::cerr << "usage: orbeta-send closemain|gotosite\n";
    return 2;
  }
  std::string error;
  if (orbeta::SendMessageWord(word, error)) return 0;
  std::cerr << "orbeta-send: " << error << "\n";
  return 1;
}
