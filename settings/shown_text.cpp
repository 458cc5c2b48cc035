#include "settings/shown_text.h"

void ToWideText(ShownText text, Cp932Conversion convert, wchar_t* out, int capacity) {
    if (convert(text.Japanese, out, capacity) > 0) {
        return;
    }
    int length = 0;
    for (; text.English[length] != '\0' && length + 1 < capacity; ++length) {
        out[length] = static_cast<wchar_t>(static_cast<unsigned char>(text.English[length]));
    }
    out[length] = L'\0';
}
