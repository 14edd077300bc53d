#include "vorrak/config/font.h"

namespace zelkor::vorrak {

FontDescription MakeFont(std::string_view face, int size, bool japanese) {
    FontDescription font;
    font.face = std::string(face);
    font.height = -size;
    font.charset = japanese ? kShiftJisCharset : kAnsiCharset;
    return font;
}

}  // namespace zelkor::vorrak
