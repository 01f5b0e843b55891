#pragma once
// A byte cursor over a private copy of a text, with the small moves a hand-written parser needs.
// The text ends at its first NUL byte; no operation moves the cursor past that end, so a parser
// built on it cannot read out of bounds whatever the input holds.

#include "components/foundation/StringBuffer.h"

class DataBuffer;

class ParseEngine {
public:
    ParseEngine();
    ParseEngine(const ParseEngine&) = delete;
    ParseEngine& operator=(const ParseEngine&) = delete;
    virtual ~ParseEngine();

    // The text becomes a copy of the buffer's bytes (a NUL inside them ends the text); cursor 0.
    void ConstructFromData(const DataBuffer& data);
    // Null gives an empty text. The cursor goes back to 0.
    void SetText(const char* text);
    // The cursor keeps pointing at the same byte.
    void AppendText(const char* text);
    // Removes every occurrence of the byte from the cursor to the end.
    void RemoveCharFromCursor(char c);

    bool AtEnd() const;
    char CurrentChar() const;
    // The byte `offset` places after the cursor, NUL at or past the end.
    char CharAhead(int offset) const;
    const char* CurrentPointer() const { return m_text.GetText() + m_cursor; }
    int GetCursor() const { return m_cursor; }
    // Clamped to the text.
    void SetCursor(int cursor);
    int GetLength() const { return m_text.GetLength(); }
    const char* GetText() const { return m_text.GetText(); }
    // Moves on by n bytes, stopping at the end.
    void Advance(int n);
    // Whether the bytes at the cursor begin with the text (exactly, or letters without case).
    bool LookingAt(const char* text) const;
    bool LookingAtNoCase(const char* text) const;

    void SkipChars(const char* set);
    char SkipAnyOf4(char a, char b, char c, char d);
    void SeekChar(char c);
    bool SeekCharBefore(char c, char stop);
    bool SeekString(const char* text);
    bool SkipPast(const char* text);

    void CaptureUntilChar(char c, torvane::StringBuffer& out);
    void CaptureUntilAnyOf(const char* set, torvane::StringBuffer& out);
    void CaptureUntilAnyOf7(const char* set, torvane::StringBuffer& out) { CaptureUntilSet(set, 7, out); }
    void CaptureUntilAnyOf5(const char* set, torvane::StringBuffer& out) { CaptureUntilSet(set, 5, out); }
    void CaptureUntilAnyOf4(const char* set, torvane::StringBuffer& out) { CaptureUntilSet(set, 4, out); }
    void CaptureUntilAnyOf2(const char* set, torvane::StringBuffer& out) { CaptureUntilSet(set, 2, out); }
    void CaptureUntilCharOutsideQuotes(char c, torvane::StringBuffer& out);
    bool CaptureBalanced(char open, char close, int depth, torvane::StringBuffer& out);
    bool CaptureThrough(const char* text, torvane::StringBuffer& out);

private:
    // Stops on the first byte that is one of the first `count` bytes of `set` (NULs included).
    void CaptureUntilSet(const char* set, int count, torvane::StringBuffer& out);
    void AppendRange(int start, torvane::StringBuffer& out) const;

    torvane::StringBuffer m_text;
    int m_cursor;
};
