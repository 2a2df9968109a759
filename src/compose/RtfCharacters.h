#pragma once

namespace qvic::rtf {

// Characters a crawl paragraph may hold. Line and paragraph breaks other than the line separator
// would split the paragraph when inserted, QTextDocument keeps U+FDD0/U+FDD1 for its frames and
// U+FFFC for objects, and other control characters have no meaning on a player. The reader drops
// them and the writer never writes them, so a load and a save agree on the text.
constexpr bool keepsCharacter(char16_t c)
{
    if (c < 0x20)
        return c == u'\t';
    return c != 0x7F && c != 0x2029 && c != 0xFDD0 && c != 0xFDD1 && c != 0xFEFF && c != 0xFFFC;
}

} // namespace qvic::rtf
