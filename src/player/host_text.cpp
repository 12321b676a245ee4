#include "player/host_text.h"

void CopyHostText(unsigned short *field, const OLECHAR *text) {
  constexpr std::size_t last = kHostTextUnits - 1;
  std::size_t length = 0;
  if (text != nullptr) {
    while (length < last && text[length] != 0) {
      field[length] = static_cast<unsigned short>(text[length]);
      ++length;
    }
  }
  field[length] = 0;
  field[last] = 0;
}
