#pragma once
// Cuts long header text into pieces before they become encoded words.

class ExtPtrArray;

class StringParse {
public:
    StringParse() = default;
    virtual ~StringParse() = default;

    // Pieces of at most n characters, each ending just after its last space, tab, CR or LF (one
    // in the piece's first position does not count), else cut at n. Each piece is appended to out
    // as a new torvane::StringBuffer. An empty text gives one empty piece; a null text, a null
    // array or n <= 0 gives none.
    void SplitLines(const char* text, int n, ExtPtrArray* out) const;
};
