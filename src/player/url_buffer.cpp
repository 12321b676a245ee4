#include "player/url_buffer.h"

CComBSTR UrlBufferText(const unsigned short *text) {
  OLECHAR buffer[kUrlBufferUnits] = {};
  int length = 0;
  if (text != nullptr) {
    while (length < int(kUrlBufferUnits) - 1 && text[length] != 0) {
      buffer[length] = static_cast<OLECHAR>(text[length]);
      ++length;
    }
  }
  return CComBSTR(length, buffer);
}
