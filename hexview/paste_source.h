#pragma once
// What a paste reads off the clipboard: the program's binary block, or text to be read as
// hex pairs or as one byte per character, counted and checked before anything is stored.

#include <cstddef>
#include <cstdint>

#include "hexview/clipboard_text.h"
#include "hexview/hex_view.h"

namespace quillix {

struct Progress;

// Lets go of the clipboard when the paste is over, however it ends.
struct ClipboardReading {
    ViewHost& host;
    ~ClipboardReading() { host.endClipboardRead(); }
};

// Where the pasted bytes come from: the clipboard's binary block, or its text read as hex
// pairs or as one byte per character. Read from while the clipboard is held.
struct PasteSource {
    const std::uint8_t* bytes = nullptr;  // the binary block's bytes; null for text
    const TextUnit* text = nullptr;
    std::size_t textRoom = 0;  // units the text's block has room for, its terminator's too
    std::size_t blockBytes = 0;
    bool hexText = false;
    CharacterSet set = CharacterSet::ascii;  // character text: the set it is stored through
    std::int64_t count = 0;     // bytes it stands for
    std::size_t wideAt = 0;     // the unit of a character above U+00FF, when readText met one
    std::size_t nextUnit = 0;  // hex text: where the next pair is looked for
};

// The source as storeBytes reads it, a chunk at a time in increasing order.
void readPasted(void* context, std::int64_t at, std::int64_t count, std::uint8_t* out);

// The binary block, or else the text; false when the clipboard holds neither.
bool readSource(const HexView& hv, PasteSource& source);

enum class TextOutcome { ready, notHex, wideCharacter, stopped };

// Reads the text up to its terminator a piece at a time, checking in before each: the
// bytes it stands for as hex pairs, or as characters, each of which must fit in a byte.
TextOutcome readText(PasteSource& source, Progress& progress);

// The box for text holding a character no byte stands for, naming it, its code and its
// place in the text: "Character 5 of the clipboard's text is "€" (U+20AC), …".
void formatWideCharacter(wchar_t (&text)[256], const PasteSource& source);

}  // namespace quillix
