// The resource script reader: a line-aware tokenizer and a recursive-descent parser.
#include "resources/compiler/Script.h"

#include "platform/base/TextCase.h"
#include "platform/base/ResourceTable.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <unordered_map>

namespace rc {

namespace {

int HexDigitValue(char d) { return AsciiIsDigit(d) ? d - '0' : AsciiToLower(d) - 'a' + 10; }

// Names the compiler knows without a #define: the layer's style and flag values.
const std::unordered_map<std::string, long long>& BuiltinSymbols()
{
    static const std::unordered_map<std::string, long long> table = {
        // window styles
        { "WS_OVERLAPPED", 0 }, { "WS_POPUP", 0x80000000LL }, { "WS_CHILD", 0x40000000 },
        { "WS_MINIMIZE", 0x20000000 }, { "WS_VISIBLE", 0x10000000 }, { "WS_DISABLED", 0x08000000 },
        { "WS_CLIPSIBLINGS", 0x04000000 }, { "WS_CLIPCHILDREN", 0x02000000 }, { "WS_MAXIMIZE", 0x01000000 },
        { "WS_CAPTION", 0x00C00000 }, { "WS_BORDER", 0x00800000 }, { "WS_DLGFRAME", 0x00400000 },
        { "WS_VSCROLL", 0x00200000 }, { "WS_HSCROLL", 0x00100000 }, { "WS_SYSMENU", 0x00080000 },
        { "WS_THICKFRAME", 0x00040000 }, { "WS_GROUP", 0x00020000 }, { "WS_TABSTOP", 0x00010000 },
        { "WS_MINIMIZEBOX", 0x00020000 }, { "WS_MAXIMIZEBOX", 0x00010000 },
        { "WS_OVERLAPPEDWINDOW", 0x00CF0000 }, { "WS_POPUPWINDOW", 0x80880000LL },
        // extended window styles
        { "WS_EX_DLGMODALFRAME", 0x1 }, { "WS_EX_NOPARENTNOTIFY", 0x4 }, { "WS_EX_TOPMOST", 0x8 },
        { "WS_EX_ACCEPTFILES", 0x10 }, { "WS_EX_TRANSPARENT", 0x20 }, { "WS_EX_TOOLWINDOW", 0x80 },
        { "WS_EX_WINDOWEDGE", 0x100 }, { "WS_EX_CLIENTEDGE", 0x200 }, { "WS_EX_CONTEXTHELP", 0x400 },
        { "WS_EX_RIGHT", 0x1000 }, { "WS_EX_RTLREADING", 0x2000 }, { "WS_EX_LEFTSCROLLBAR", 0x4000 },
        { "WS_EX_CONTROLPARENT", 0x10000 }, { "WS_EX_STATICEDGE", 0x20000 }, { "WS_EX_APPWINDOW", 0x40000 },
        { "WS_EX_LAYERED", 0x80000 }, { "WS_EX_LAYOUTRTL", 0x400000 },
        // dialog styles
        { "DS_ABSALIGN", 0x1 }, { "DS_SYSMODAL", 0x2 }, { "DS_3DLOOK", 0x4 }, { "DS_FIXEDSYS", 0x8 },
        { "DS_NOFAILCREATE", 0x10 }, { "DS_LOCALEDIT", 0x20 }, { "DS_SETFONT", 0x40 }, { "DS_MODALFRAME", 0x80 },
        { "DS_NOIDLEMSG", 0x100 }, { "DS_SETFOREGROUND", 0x200 }, { "DS_CONTROL", 0x400 }, { "DS_CENTER", 0x800 },
        { "DS_CENTERMOUSE", 0x1000 }, { "DS_CONTEXTHELP", 0x2000 }, { "DS_SHELLFONT", 0x48 },
        // buttons
        { "BS_PUSHBUTTON", 0x0 }, { "BS_DEFPUSHBUTTON", 0x1 }, { "BS_CHECKBOX", 0x2 }, { "BS_AUTOCHECKBOX", 0x3 },
        { "BS_RADIOBUTTON", 0x4 }, { "BS_3STATE", 0x5 }, { "BS_AUTO3STATE", 0x6 }, { "BS_GROUPBOX", 0x7 },
        { "BS_USERBUTTON", 0x8 }, { "BS_AUTORADIOBUTTON", 0x9 }, { "BS_OWNERDRAW", 0xB }, { "BS_LEFTTEXT", 0x20 },
        { "BS_TEXT", 0x0 }, { "BS_ICON", 0x40 }, { "BS_BITMAP", 0x80 }, { "BS_LEFT", 0x100 }, { "BS_RIGHT", 0x200 },
        { "BS_CENTER", 0x300 }, { "BS_TOP", 0x400 }, { "BS_BOTTOM", 0x800 }, { "BS_VCENTER", 0xC00 },
        { "BS_PUSHLIKE", 0x1000 }, { "BS_MULTILINE", 0x2000 }, { "BS_NOTIFY", 0x4000 }, { "BS_FLAT", 0x8000 },
        // edits
        { "ES_LEFT", 0x0 }, { "ES_CENTER", 0x1 }, { "ES_RIGHT", 0x2 }, { "ES_MULTILINE", 0x4 },
        { "ES_UPPERCASE", 0x8 }, { "ES_LOWERCASE", 0x10 }, { "ES_PASSWORD", 0x20 }, { "ES_AUTOVSCROLL", 0x40 },
        { "ES_AUTOHSCROLL", 0x80 }, { "ES_NOHIDESEL", 0x100 }, { "ES_OEMCONVERT", 0x400 }, { "ES_READONLY", 0x800 },
        { "ES_WANTRETURN", 0x1000 }, { "ES_NUMBER", 0x2000 },
        // statics
        { "SS_LEFT", 0x0 }, { "SS_CENTER", 0x1 }, { "SS_RIGHT", 0x2 }, { "SS_ICON", 0x3 }, { "SS_BLACKRECT", 0x4 },
        { "SS_GRAYRECT", 0x5 }, { "SS_WHITERECT", 0x6 }, { "SS_BLACKFRAME", 0x7 }, { "SS_GRAYFRAME", 0x8 },
        { "SS_WHITEFRAME", 0x9 }, { "SS_SIMPLE", 0xB }, { "SS_LEFTNOWORDWRAP", 0xC }, { "SS_OWNERDRAW", 0xD },
        { "SS_BITMAP", 0xE }, { "SS_ETCHEDHORZ", 0x10 }, { "SS_ETCHEDVERT", 0x11 }, { "SS_ETCHEDFRAME", 0x12 },
        { "SS_NOPREFIX", 0x80 }, { "SS_NOTIFY", 0x100 }, { "SS_CENTERIMAGE", 0x200 }, { "SS_SUNKEN", 0x1000 },
        // combo and list boxes, scroll bars
        { "CBS_SIMPLE", 0x1 }, { "CBS_DROPDOWN", 0x2 }, { "CBS_DROPDOWNLIST", 0x3 }, { "CBS_OWNERDRAWFIXED", 0x10 },
        { "CBS_OWNERDRAWVARIABLE", 0x20 }, { "CBS_AUTOHSCROLL", 0x40 }, { "CBS_OEMCONVERT", 0x80 },
        { "CBS_SORT", 0x100 }, { "CBS_HASSTRINGS", 0x200 }, { "CBS_NOINTEGRALHEIGHT", 0x400 },
        { "CBS_DISABLENOSCROLL", 0x800 },
        { "LBS_NOTIFY", 0x1 }, { "LBS_SORT", 0x2 }, { "LBS_NOREDRAW", 0x4 }, { "LBS_MULTIPLESEL", 0x8 },
        { "LBS_OWNERDRAWFIXED", 0x10 }, { "LBS_OWNERDRAWVARIABLE", 0x20 }, { "LBS_HASSTRINGS", 0x40 },
        { "LBS_USETABSTOPS", 0x80 }, { "LBS_NOINTEGRALHEIGHT", 0x100 }, { "LBS_MULTICOLUMN", 0x200 },
        { "LBS_WANTKEYBOARDINPUT", 0x400 }, { "LBS_EXTENDEDSEL", 0x800 }, { "LBS_DISABLENOSCROLL", 0x1000 },
        { "LBS_STANDARD", 0xA00003 }, { "SBS_HORZ", 0x0 }, { "SBS_VERT", 0x1 },
        // dialog ids
        { "IDOK", 1 }, { "IDCANCEL", 2 }, { "IDABORT", 3 }, { "IDRETRY", 4 }, { "IDIGNORE", 5 }, { "IDYES", 6 },
        { "IDNO", 7 }, { "IDCLOSE", 8 }, { "IDHELP", 9 }, { "IDC_STATIC", -1 },
        // virtual keys
        { "VK_BACK", 0x08 }, { "VK_TAB", 0x09 }, { "VK_RETURN", 0x0D }, { "VK_SHIFT", 0x10 }, { "VK_CONTROL", 0x11 },
        { "VK_MENU", 0x12 }, { "VK_PAUSE", 0x13 }, { "VK_ESCAPE", 0x1B }, { "VK_SPACE", 0x20 }, { "VK_PRIOR", 0x21 },
        { "VK_NEXT", 0x22 }, { "VK_END", 0x23 }, { "VK_HOME", 0x24 }, { "VK_LEFT", 0x25 }, { "VK_UP", 0x26 },
        { "VK_RIGHT", 0x27 }, { "VK_DOWN", 0x28 }, { "VK_INSERT", 0x2D }, { "VK_DELETE", 0x2E }, { "VK_HELP", 0x2F },
        { "VK_APPS", 0x5D }, { "VK_MULTIPLY", 0x6A }, { "VK_ADD", 0x6B }, { "VK_SEPARATOR", 0x6C },
        { "VK_SUBTRACT", 0x6D }, { "VK_DECIMAL", 0x6E }, { "VK_DIVIDE", 0x6F },
        { "VK_NUMPAD0", 0x60 }, { "VK_NUMPAD1", 0x61 }, { "VK_NUMPAD2", 0x62 }, { "VK_NUMPAD3", 0x63 },
        { "VK_NUMPAD4", 0x64 }, { "VK_NUMPAD5", 0x65 }, { "VK_NUMPAD6", 0x66 }, { "VK_NUMPAD7", 0x67 },
        { "VK_NUMPAD8", 0x68 }, { "VK_NUMPAD9", 0x69 },
        { "VK_F1", 0x70 }, { "VK_F2", 0x71 }, { "VK_F3", 0x72 }, { "VK_F4", 0x73 }, { "VK_F5", 0x74 },
        { "VK_F6", 0x75 }, { "VK_F7", 0x76 }, { "VK_F8", 0x77 }, { "VK_F9", 0x78 }, { "VK_F10", 0x79 },
        { "VK_F11", 0x7A }, { "VK_F12", 0x7B },
    };
    return table;
}

enum class Tok { Ident, Number, String, Punct, End };

struct Token {
    Tok kind = Tok::End;
    std::string text;   // identifier, punctuation
    std::u16string str; // string literal
    long long value = 0;
    int line = 0;
};

// Strict UTF-8 to UTF-16: overlong forms, surrogates and values past U+10FFFF are refused.
bool DecodeUtf8(std::string_view in, std::u16string& out)
{
    std::size_t i = 0;
    while (i < in.size()) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        char32_t cp;
        int extra;
        if (c < 0x80) {
            cp = c;
            extra = 0;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else {
            return false;
        }
        if (i + extra >= in.size())
            return false;
        for (int k = 1; k <= extra; ++k) {
            unsigned char d = static_cast<unsigned char>(in[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        static const char32_t minimum[] = { 0, 0x80, 0x800, 0x10000 };
        if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(char16_t(0xD800 + (cp >> 10)));
            out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(char16_t(cp));
        }
        i += 1 + extra;
    }
    return true;
}

class Parser {
public:
    Parser(const std::string& path, std::string_view text, const FileReader& reader)
        : m_path(path), m_reader(reader)
    {
        m_script.path = path;
        Tokenize(text);
    }

    Script Run()
    {
        while (Peek().kind != Tok::End)
            Statement();
        CheckDuplicates();
        return std::move(m_script);
    }

private:
    [[noreturn]] void Fail(int line, const std::string& what) const
    {
        throw ScriptError(m_path + ":" + std::to_string(line) + ": " + what);
    }

    // ---- tokens
    void Tokenize(std::string_view text)
    {
        if (text.size() >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0)
            text.remove_prefix(3);
        int line = 1;
        std::size_t i = 0;
        auto isIdentStart = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; };
        auto isIdent = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
        while (i < text.size()) {
            char c = text[i];
            if (c == '\n') {
                ++line;
                ++i;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++i;
            } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
                while (i < text.size() && text[i] != '\n')
                    ++i;
            } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
                std::size_t end = text.find("*/", i + 2);
                if (end == std::string_view::npos)
                    Fail(line, "unterminated comment");
                line += int(std::count(text.begin() + i, text.begin() + end, '\n'));
                i = end + 2;
            } else if (c == '#') {
                // #define NAME value; other directives are refused.
                std::size_t start = i + 1;
                std::size_t j = start;
                while (j < text.size() && isIdent(text[j]))
                    ++j;
                std::string directive(text.substr(start, j - start));
                if (directive != "define")
                    Fail(line, "unknown directive #" + directive);
                Token t;
                t.kind = Tok::Ident;
                t.text = "#define";
                t.line = line;
                m_tokens.push_back(t);
                i = j;
            } else if (isIdentStart(c)) {
                std::size_t j = i;
                while (j < text.size() && isIdent(text[j]))
                    ++j;
                Token t;
                t.kind = Tok::Ident;
                t.text = std::string(text.substr(i, j - i));
                t.line = line;
                m_tokens.push_back(std::move(t));
                i = j;
            } else if (std::isdigit(static_cast<unsigned char>(c))) {
                std::size_t j = i;
                long long value = 0;
                bool hex = c == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X');
                if (hex) {
                    j = i + 2;
                    if (j >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[j])))
                        Fail(line, "bad number");
                    while (j < text.size() && std::isxdigit(static_cast<unsigned char>(text[j]))) {
                        value = value * 16 + HexDigitValue(text[j]);
                        if (value > 0xFFFFFFFFLL)
                            Fail(line, "number too large");
                        ++j;
                    }
                } else {
                    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
                        value = value * 10 + (text[j] - '0');
                        if (value > 0xFFFFFFFFLL)
                            Fail(line, "number too large");
                        ++j;
                    }
                }
                while (j < text.size() && (text[j] == 'L' || text[j] == 'l' || text[j] == 'U' || text[j] == 'u'))
                    ++j;
                if (j < text.size() && isIdent(text[j]))
                    Fail(line, "bad number");
                Token t;
                t.kind = Tok::Number;
                t.value = value;
                t.line = line;
                m_tokens.push_back(t);
                i = j;
            } else if (c == '"') {
                Token t;
                t.kind = Tok::String;
                t.line = line;
                i = ReadString(text, i + 1, line, t.str);
                m_tokens.push_back(std::move(t));
            } else if (std::strchr(",|{}-+()", c)) {
                Token t;
                t.kind = Tok::Punct;
                t.text = std::string(1, c);
                t.line = line;
                m_tokens.push_back(t);
                ++i;
            } else {
                Fail(line, std::string("unexpected character '") + (std::isprint(static_cast<unsigned char>(c)) ? std::string(1, c) : "?") + "'");
            }
        }
        Token end;
        end.kind = Tok::End;
        end.line = line;
        m_tokens.push_back(end);
    }

    // Reads a literal after its opening quote; returns the index after the closing quote.
    std::size_t ReadString(std::string_view text, std::size_t i, int& line, std::u16string& out)
    {
        std::string raw;
        int startLine = line;
        auto hexValue = [&](std::size_t& j, int maxDigits) {
            long v = 0;
            int n = 0;
            while (n < maxDigits && j < text.size() && std::isxdigit(static_cast<unsigned char>(text[j]))) {
                v = v * 16 + HexDigitValue(text[j]);
                ++j;
                ++n;
            }
            if (n == 0)
                Fail(line, "bad escape");
            return v;
        };
        // Escapes are collected as code points in `raw` (UTF-8) so the whole literal is checked once.
        while (true) {
            if (i >= text.size() || text[i] == '\n')
                Fail(startLine, "unterminated string");
            char c = text[i];
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    raw += '"';
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            if (c != '\\') {
                raw += c;
                ++i;
                continue;
            }
            ++i;
            if (i >= text.size())
                Fail(line, "unterminated string");
            char e = text[i++];
            char32_t cp;
            switch (e) {
            case 'n': cp = '\n'; break;
            case 't': cp = '\t'; break;
            case 'r': cp = '\r'; break;
            case 'a': cp = '\a'; break;
            case '0': cp = 0; break;
            case '\\': cp = '\\'; break;
            case '"': cp = '"'; break;
            case '\'': cp = '\''; break;
            case 'x': cp = char32_t(hexValue(i, 4)); break;
            case 'u': cp = char32_t(hexValue(i, 4)); break;
            default: Fail(line, std::string("bad escape \\") + e);
            }
            if (cp >= 0xD800 && cp <= 0xDFFF)
                Fail(line, "escape names a surrogate");
            // Encode as UTF-8; NUL goes through as a placeholder byte pair decoded below.
            if (cp == 0) {
                raw += std::string("\xC0\x80", 2);
            } else if (cp < 0x80) {
                raw += char(cp);
            } else if (cp < 0x800) {
                raw += char(0xC0 | (cp >> 6));
                raw += char(0x80 | (cp & 0x3F));
            } else {
                raw += char(0xE0 | (cp >> 12));
                raw += char(0x80 | ((cp >> 6) & 0x3F));
                raw += char(0x80 | (cp & 0x3F));
            }
        }
        // The NUL placeholder is an overlong form, which DecodeUtf8 refuses: split on it.
        std::size_t from = 0;
        while (true) {
            std::size_t at = raw.find(std::string("\xC0\x80", 2), from);
            std::string_view piece(raw.data() + from, (at == std::string::npos ? raw.size() : at) - from);
            if (!DecodeUtf8(piece, out))
                Fail(startLine, "string is not valid UTF-8");
            if (at == std::string::npos)
                break;
            out.push_back(0);
            from = at + 2;
        }
        return i;
    }

    const Token& Peek(std::size_t ahead = 0) const { return m_tokens[std::min(m_pos + ahead, m_tokens.size() - 1)]; }
    Token Next()
    {
        Token t = Peek();
        if (m_pos < m_tokens.size() - 1)
            ++m_pos;
        return t;
    }
    bool IsWord(const Token& t, const char* word) const { return t.kind == Tok::Ident && t.text == word; }
    bool IsPunct(const Token& t, char p) const { return t.kind == Tok::Punct && t.text[0] == p; }
    bool AcceptPunct(char p)
    {
        if (IsPunct(Peek(), p)) {
            Next();
            return true;
        }
        return false;
    }
    void ExpectPunct(char p)
    {
        if (!AcceptPunct(p))
            Fail(Peek().line, std::string("expected '") + p + "'");
    }
    void ExpectBegin()
    {
        const Token& t = Peek();
        if (IsWord(t, "BEGIN") || IsPunct(t, '{')) {
            Next();
            return;
        }
        Fail(t.line, "expected BEGIN");
    }
    bool AcceptEnd()
    {
        const Token& t = Peek();
        if (IsWord(t, "END") || IsPunct(t, '}')) {
            Next();
            return true;
        }
        if (t.kind == Tok::End)
            Fail(t.line, "missing END");
        return false;
    }
    std::u16string ExpectString()
    {
        if (Peek().kind != Tok::String)
            Fail(Peek().line, "expected a string");
        return Next().str;
    }

    // ---- values
    long long Atom()
    {
        Token t = Next();
        if (t.kind == Tok::Number)
            return t.value;
        if (IsPunct(t, '-'))
            return -Atom();
        if (IsPunct(t, '(')) {
            long long v = Expression();
            ExpectPunct(')');
            return v;
        }
        if (t.kind == Tok::Ident) {
            auto own = m_symbols.find(t.text);
            if (own != m_symbols.end())
                return own->second;
            auto builtin = BuiltinSymbols().find(t.text);
            if (builtin != BuiltinSymbols().end())
                return builtin->second;
            Fail(t.line, "unknown name " + t.text);
        }
        Fail(t.line, "expected a number or a name");
    }
    // term ('|' term | '+' term)*, with NOT term clearing bits.
    long long Expression()
    {
        long long value = 0;
        bool first = true;
        while (true) {
            bool negate = false;
            if (IsWord(Peek(), "NOT")) {
                Next();
                negate = true;
            }
            long long term = Atom();
            if (negate)
                value &= ~term;
            else if (first)
                value = term;
            else
                value |= term;
            first = false;
            if (AcceptPunct('|'))
                continue;
            if (IsPunct(Peek(), '+')) {
                Next();
                value += Atom();
                if (!AcceptPunct('|'))
                    break;
                continue;
            }
            if (IsWord(Peek(), "NOT"))
                continue;
            break;
        }
        return value;
    }
    WORD Word(long long v, int line, const char* what)
    {
        if (v < -32768 || v > 0xFFFF)
            Fail(line, std::string(what) + " out of range");
        return WORD(v);
    }
    int Coordinate()
    {
        int line = Peek().line;
        long long v = Expression();
        if (v < -32768 || v > 32767)
            Fail(line, "coordinate out of range");
        return int(v);
    }
    DWORD Flags()
    {
        int line = Peek().line;
        long long v = Expression();
        if (v < -0x80000000LL || v > 0xFFFFFFFFLL)
            Fail(line, "value out of range");
        return DWORD(v);
    }

    // A resource name or type: a number, a defined name, or a bare or quoted text.
    ResId Name()
    {
        Token t = Peek();
        ResId id;
        if (t.kind == Tok::String) {
            Next();
            if (t.str.empty())
                Fail(t.line, "empty name");
            id.isText = true;
            id.text = t.str;
        } else if (t.kind == Tok::Number || m_symbols.count(t.text) || BuiltinSymbols().count(t.text)) {
            id.id = Word(Expression(), t.line, "id");
            if (id.id == 0)
                Fail(t.line, "id 0 is not a resource name");
        } else if (t.kind == Tok::Ident) {
            Next();
            id.isText = true;
            id.text.assign(t.text.begin(), t.text.end());
        } else {
            Fail(t.line, "expected a name");
        }
        if (id.isText)
            id.text = AsciiUpperCopy(id.text);
        return id;
    }

    // ---- statements
    void Statement()
    {
        const Token& t = Peek();
        if (IsWord(t, "#define")) {
            int line = Next().line;
            Token name = Next();
            if (name.kind != Tok::Ident || name.line != line)
                Fail(line, "#define needs a name");
            if (m_symbols.count(name.text) || BuiltinSymbols().count(name.text))
                Fail(line, "name " + name.text + " defined twice");
            if (Peek().line != line)
                Fail(line, "#define needs a value");
            long long value = Expression();
            m_symbols[name.text] = value;
            m_script.symbols.emplace_back(name.text, value);
            return;
        }
        if (IsWord(t, "LANGUAGE")) {
            Next();
            m_language = Language();
            return;
        }
        if (IsWord(t, "STRINGTABLE")) {
            StringTable();
            return;
        }
        if (IsWord(t, "IMAGEBASE")) {
            int line = Next().line;
            m_nextImageId = Word(Expression(), line, "image base");
            if (m_nextImageId == 0)
                Fail(line, "image base 0");
            return;
        }
        int line = t.line;
        if (t.kind == Tok::Ident && IsBlockWord(t.text))
            Fail(line, t.text + " outside a block");
        ResId name = Name();
        Token type = Next();
        if (type.kind == Tok::End)
            Fail(line, "resource without a type");
        if (type.kind == Tok::Ident) {
            const std::string& w = type.text;
            if (w == "MENU" || w == "MENUEX")
                return Menu(name, line);
            if (w == "DIALOG" || w == "DIALOGEX")
                return DialogBlock(name, line);
            if (w == "ACCELERATORS")
                return Accelerators(name, line);
            if (w == "TOOLBAR")
                return Toolbar(name, line);
            if (w == "BITMAP")
                return Bitmap(name, line);
            if (w == "ICON")
                return IconOrCursor(name, line, false);
            if (w == "CURSOR")
                return IconOrCursor(name, line, true);
            if (w == "HTML")
                return RawFile(name, IntegerType(RT_HTML_ID), line);
        }
        ResId typeId;
        if (type.kind == Tok::Number) {
            typeId.id = Word(type.value, line, "type");
            if (typeId.id == 0)
                Fail(line, "type 0");
        } else if (type.kind == Tok::String || type.kind == Tok::Ident) {
            typeId.isText = true;
            typeId.text = type.kind == Tok::String ? type.str : std::u16string(type.text.begin(), type.text.end());
            if (typeId.text.empty())
                Fail(line, "empty type name");
            typeId.text = AsciiUpperCopy(typeId.text);
        } else {
            Fail(line, "expected a resource type");
        }
        RawFile(name, typeId, line);
    }

    static bool IsBlockWord(const std::string& w)
    {
        static const char* const words[] = { "BEGIN", "END", "CONTROL", "PUSHBUTTON", "DEFPUSHBUTTON", "CHECKBOX",
            "AUTOCHECKBOX", "RADIOBUTTON", "AUTORADIOBUTTON", "STATE3", "AUTO3STATE", "GROUPBOX", "LTEXT", "RTEXT",
            "CTEXT", "EDITTEXT", "COMBOBOX", "LISTBOX", "SCROLLBAR", "MENUITEM", "POPUP", "BUTTON", "SEPARATOR",
            "CAPTION", "STYLE", "EXSTYLE", "FONT" };
        for (const char* word : words)
            if (w == word)
                return true;
        return false;
    }

    static ResId IntegerType(WORD id)
    {
        ResId r;
        r.id = id;
        return r;
    }

    WORD Language()
    {
        int line = Peek().line;
        long long primary = Expression();
        // "LANGUAGE primary, sub" is accepted too and combined as the platform does.
        if (AcceptPunct(',')) {
            long long sub = Expression();
            primary = (sub << 10) | primary;
        }
        return Word(primary, line, "language");
    }

    // Options between a block's header and its BEGIN; returns the language for the block.
    WORD BlockLanguage()
    {
        WORD language = m_language;
        if (IsWord(Peek(), "LANGUAGE")) {
            Next();
            language = Language();
        }
        return language;
    }

    Resource& Add(const ResId& type, const ResId& name, WORD language, Kind kind, int line)
    {
        Resource r;
        r.type = type;
        r.name = name;
        r.language = language;
        r.kind = kind;
        r.line = line;
        m_script.resources.push_back(std::move(r));
        return m_script.resources.back();
    }

    // Resources that finish on their own line: options may follow on the same line.
    bool SameLine(int line) const { return Peek().kind != Tok::End && Peek().line == line; }

    std::vector<std::uint8_t> ReadFile(const std::u16string& name, int line)
    {
        std::string utf8;
        for (char16_t c : name) {
            if (c >= 0x80)
                Fail(line, "file names are ASCII");
            utf8 += char(c);
        }
        try {
            return m_reader(utf8);
        } catch (const ScriptError&) {
            throw;
        } catch (const std::exception& e) {
            Fail(line, "cannot read " + utf8 + ": " + e.what());
        }
    }

    void StringTable()
    {
        int line = Next().line;
        WORD language = BlockLanguage();
        ExpectBegin();
        while (!AcceptEnd()) {
            int entryLine = Peek().line;
            long long id = Expression();
            if (id < 0 || id > 0xFFFF)
                Fail(entryLine, "string id out of range");
            AcceptPunct(',');
            std::u16string text = ExpectString();
            // Adjacent literals join, as in C.
            while (Peek().kind == Tok::String)
                text += Next().str;
            Resource& r = Add(IntegerType(RT_STRING_ID), IntegerType(WORD(id)), language, Kind::String, entryLine);
            r.name.id = WORD(id); // id 0 is a valid string
            r.text = std::move(text);
        }
        (void)line;
    }

    void MenuItems(std::vector<MenuItem>& items, int depth)
    {
        if (depth > 16)
            Fail(Peek().line, "menu nested too deeply");
        ExpectBegin();
        std::size_t first = items.size();
        std::vector<std::size_t> level;
        while (!AcceptEnd()) {
            Token t = Next();
            MenuItem item;
            if (IsWord(t, "MENUITEM")) {
                if (IsWord(Peek(), "SEPARATOR")) {
                    Next();
                    item.flags = 0x800; // MF_SEPARATOR
                    level.push_back(items.size());
                    items.push_back(item);
                    continue;
                }
                item.text = ExpectString();
                ExpectPunct(',');
                long long id = Expression();
                if (id < 0 || id > 0xFFFF)
                    Fail(t.line, "command id out of range");
                item.id = UINT(id);
                item.flags |= MenuOptions();
                level.push_back(items.size());
                items.push_back(item);
            } else if (IsWord(t, "POPUP")) {
                item.text = ExpectString();
                item.flags = 0x10 | MenuOptions(); // MF_POPUP
                level.push_back(items.size());
                items.push_back(item);
                std::size_t before = items.size();
                MenuItems(items, depth + 1);
                if (items.size() == before)
                    Fail(t.line, "empty POPUP");
            } else {
                Fail(t.line, "expected MENUITEM or POPUP");
            }
        }
        if (items.size() == first)
            return;
        items[level.back()].flags |= platform::resources::kMenuItemEnd;
    }
    UINT MenuOptions()
    {
        UINT flags = 0;
        while (AcceptPunct(',') || (Peek().kind == Tok::Ident && IsMenuOption(Peek().text))) {
            Token o = Next();
            if (o.kind != Tok::Ident || !IsMenuOption(o.text))
                Fail(o.line, "unknown menu option");
            if (o.text == "GRAYED")
                flags |= 0x1;
            else if (o.text == "INACTIVE" || o.text == "DISABLED")
                flags |= 0x2;
            else if (o.text == "CHECKED")
                flags |= 0x8;
            else if (o.text == "MENUBARBREAK")
                flags |= 0x20;
            else if (o.text == "MENUBREAK")
                flags |= 0x40;
            else if (o.text == "HELP")
                flags |= 0x4000;
        }
        return flags;
    }
    static bool IsMenuOption(const std::string& w)
    {
        return w == "GRAYED" || w == "INACTIVE" || w == "DISABLED" || w == "CHECKED" || w == "MENUBARBREAK"
            || w == "MENUBREAK" || w == "HELP";
    }

    void Menu(const ResId& name, int line)
    {
        WORD language = BlockLanguage();
        std::vector<MenuItem> items;
        MenuItems(items, 0);
        if (items.empty())
            Fail(line, "empty MENU");
        Resource& r = Add(IntegerType(RT_MENU_ID), name, language, Kind::Menu, line);
        r.menu = std::move(items);
    }

    void Accelerators(const ResId& name, int line)
    {
        WORD language = BlockLanguage();
        ExpectBegin();
        std::vector<Accel> accels;
        while (!AcceptEnd()) {
            int entryLine = Peek().line;
            Accel a;
            bool fromText = false;
            bool control = false;
            if (Peek().kind == Tok::String) {
                std::u16string key = Next().str;
                if (key.size() == 2 && key[0] == u'^' && key[1] >= u'A' && key[1] <= u'Z') {
                    a.key = WORD(key[1] - u'A' + 1);
                    control = true;
                } else if (key.size() == 1) {
                    a.key = key[0];
                } else {
                    Fail(entryLine, "an accelerator key is one character or ^ and a letter");
                }
                fromText = true;
            } else {
                a.key = Word(Expression(), entryLine, "key");
            }
            ExpectPunct(',');
            a.cmd = Word(Expression(), entryLine, "command id");
            bool virtkey = false;
            while (AcceptPunct(',')) {
                Token o = Next();
                if (IsWord(o, "VIRTKEY")) {
                    a.fVirt |= 0x01;
                    virtkey = true;
                } else if (IsWord(o, "ASCII")) {
                } else if (IsWord(o, "NOINVERT")) {
                    a.fVirt |= 0x02;
                } else if (IsWord(o, "SHIFT")) {
                    a.fVirt |= 0x04;
                } else if (IsWord(o, "CONTROL")) {
                    a.fVirt |= 0x08;
                } else if (IsWord(o, "ALT")) {
                    a.fVirt |= 0x10;
                } else {
                    Fail(o.line, "unknown accelerator option");
                }
            }
            if ((a.fVirt & 0x1C) && !virtkey)
                Fail(entryLine, "SHIFT, CONTROL and ALT need VIRTKEY");
            if (virtkey && control)
                Fail(entryLine, "^ keys are not virtual keys");
            if (virtkey && fromText && a.key >= u'a' && a.key <= u'z')
                a.key = WORD(a.key - 32);
            accels.push_back(a);
        }
        Resource& r = Add(IntegerType(RT_ACCELERATOR_ID), name, language, Kind::Accelerators, line);
        r.accels = std::move(accels);
    }

    void DialogBlock(const ResId& name, int line)
    {
        Dialog d;
        d.x = Coordinate();
        ExpectPunct(',');
        d.y = Coordinate();
        ExpectPunct(',');
        d.cx = Coordinate();
        ExpectPunct(',');
        d.cy = Coordinate();
        d.style = 0x80000000 | 0x00C00000 | 0x00080000; // WS_POPUP | WS_CAPTION | WS_SYSMENU unless STYLE says
        WORD language = m_language;
        bool styled = false;
        while (true) {
            const Token& t = Peek();
            if (IsWord(t, "CAPTION")) {
                Next();
                d.caption = ExpectString();
            } else if (IsWord(t, "STYLE")) {
                Next();
                d.style = Flags();
                styled = true;
            } else if (IsWord(t, "EXSTYLE")) {
                Next();
                d.exStyle = Flags();
            } else if (IsWord(t, "FONT")) {
                int fontLine = Next().line;
                d.pointSize = Word(Expression(), fontLine, "point size");
                ExpectPunct(',');
                d.faceName = ExpectString();
                // DIALOGEX fonts may carry weight, italic and charset: accepted and ignored.
                while (AcceptPunct(','))
                    Expression();
            } else if (IsWord(t, "MENU")) {
                Next();
                ResId menu = Name();
                d.menu = menu.isText ? menu.text : u"#" + Utf16Number(menu.id);
            } else if (IsWord(t, "CLASS")) {
                Next();
                d.className = ExpectString();
            } else if (IsWord(t, "LANGUAGE")) {
                Next();
                language = Language();
            } else {
                break;
            }
        }
        (void)styled;
        if (d.pointSize)
            d.style |= 0x40; // DS_SETFONT
        ExpectBegin();
        while (!AcceptEnd())
            d.controls.push_back(Control());
        Resource& r = Add(IntegerType(RT_DIALOG_ID), name, language, Kind::Dialog, line);
        r.dialog = std::move(d);
    }

    static std::u16string Utf16Number(unsigned v)
    {
        std::string s = std::to_string(v);
        return std::u16string(s.begin(), s.end());
    }

    struct Shorthand {
        const char* word;
        const char16_t* className;
        DWORD style; // besides WS_CHILD | WS_VISIBLE
        bool hasText;
    };

    DialogControl Control()
    {
        static const Shorthand shorthands[] = {
            { "PUSHBUTTON", u"Button", 0x0 | 0x10000, true }, { "DEFPUSHBUTTON", u"Button", 0x1 | 0x10000, true },
            { "CHECKBOX", u"Button", 0x2 | 0x10000, true }, { "AUTOCHECKBOX", u"Button", 0x3 | 0x10000, true },
            { "RADIOBUTTON", u"Button", 0x4, true }, { "AUTORADIOBUTTON", u"Button", 0x9, true },
            { "STATE3", u"Button", 0x5 | 0x10000, true }, { "AUTO3STATE", u"Button", 0x6 | 0x10000, true },
            { "GROUPBOX", u"Button", 0x7, true }, { "LTEXT", u"Static", 0x0 | 0x20000, true },
            { "RTEXT", u"Static", 0x2 | 0x20000, true }, { "CTEXT", u"Static", 0x1 | 0x20000, true },
            { "ICON", u"Static", 0x3, true }, { "EDITTEXT", u"Edit", 0x800000 | 0x10000, false },
            { "COMBOBOX", u"ComboBox", 0x10000, false }, { "LISTBOX", u"ListBox", 0x800000 | 0x1, false },
            { "SCROLLBAR", u"ScrollBar", 0x0, false },
        };
        constexpr DWORD childVisible = 0x40000000 | 0x10000000;
        Token t = Next();
        DialogControl c;
        if (IsWord(t, "CONTROL")) {
            ControlText(c);
            ExpectPunct(',');
            c.id = ControlId();
            ExpectPunct(',');
            if (Peek().kind == Tok::String)
                c.className = Next().str;
            else if (Peek().kind == Tok::Ident)
                c.className = std::u16string(Peek().text.begin(), Peek().text.end()), Next();
            else
                Fail(t.line, "expected a class name");
            if (c.className.empty())
                Fail(t.line, "empty class name");
            ExpectPunct(',');
            c.style = childVisible | Flags();
            ExpectPunct(',');
            Rectangle(c);
            if (AcceptPunct(',')) {
                c.exStyle = Flags();
                if (AcceptPunct(','))
                    c.helpId = Flags();
            }
            return c;
        }
        for (const Shorthand& s : shorthands) {
            if (!IsWord(t, s.word))
                continue;
            c.className = s.className;
            if (s.hasText) {
                ControlText(c);
                ExpectPunct(',');
            }
            c.id = ControlId();
            ExpectPunct(',');
            c.style = childVisible | s.style;
            if (IsWord(t, "ICON")) {
                // ICON name, id, x, y [, cx, cy [, style]]: the size comes from the picture.
                c.x = Coordinate();
                ExpectPunct(',');
                c.y = Coordinate();
                if (AcceptPunct(',')) {
                    c.cx = Coordinate();
                    ExpectPunct(',');
                    c.cy = Coordinate();
                    if (AcceptPunct(','))
                        c.style |= Flags();
                }
                return c;
            }
            Rectangle(c);
            if (AcceptPunct(',')) {
                // The given style is added to the shorthand's; NOT removes bits from it.
                c.style = StyleOnto(c.style);
                if (AcceptPunct(','))
                    c.exStyle = Flags();
            }
            return c;
        }
        Fail(t.line, "unknown control " + (t.kind == Tok::Ident ? t.text : std::string("token")));
    }
    DWORD StyleOnto(DWORD base)
    {
        DWORD value = base;
        while (true) {
            bool negate = false;
            if (IsWord(Peek(), "NOT")) {
                Next();
                negate = true;
            }
            DWORD term = DWORD(Atom());
            value = negate ? (value & ~term) : (value | term);
            if (!AcceptPunct('|') && !IsWord(Peek(), "NOT"))
                break;
        }
        return value;
    }
    void ControlText(DialogControl& c)
    {
        if (Peek().kind == Tok::String) {
            c.text = Next().str;
            return;
        }
        int line = Peek().line;
        c.textId = Word(Expression(), line, "text id");
        c.hasTextId = true;
    }
    UINT ControlId()
    {
        long long id = Expression();
        return UINT(DWORD(id));
    }
    void Rectangle(DialogControl& c)
    {
        c.x = Coordinate();
        ExpectPunct(',');
        c.y = Coordinate();
        ExpectPunct(',');
        c.cx = Coordinate();
        ExpectPunct(',');
        c.cy = Coordinate();
    }

    void Toolbar(const ResId& name, int line)
    {
        int width = Coordinate();
        ExpectPunct(',');
        int height = Coordinate();
        if (width <= 0 || height <= 0)
            Fail(line, "toolbar button size must be positive");
        WORD language = BlockLanguage();
        ExpectBegin();
        std::vector<WORD> ids;
        while (!AcceptEnd()) {
            Token t = Next();
            if (IsWord(t, "SEPARATOR"))
                ids.push_back(0);
            else if (IsWord(t, "BUTTON"))
                ids.push_back(Word(Expression(), t.line, "command id"));
            else
                Fail(t.line, "expected BUTTON or SEPARATOR");
        }
        Resource& r = Add(IntegerType(RT_TOOLBAR_ID), name, language, Kind::Bytes, line);
        auto put = [&](WORD v) {
            r.bytes.push_back(BYTE(v & 0xFF));
            r.bytes.push_back(BYTE(v >> 8));
        };
        put(1);
        put(WORD(width));
        put(WORD(height));
        put(WORD(ids.size()));
        for (WORD id : ids)
            put(id);
    }

    void Bitmap(const ResId& name, int line)
    {
        std::u16string file = ExpectString();
        int depth = 0;
        std::optional<COLORREF> key;
        WORD language = m_language;
        while (SameLine(line)) {
            Token o = Next();
            if (IsWord(o, "DEPTH")) {
                depth = int(Expression());
                if (depth != 4 && depth != 8 && depth != 24 && depth != 32)
                    Fail(line, "DEPTH is 4, 8, 24 or 32");
            } else if (IsWord(o, "KEY")) {
                long long r = Expression();
                ExpectPunct(',');
                long long g = Expression();
                ExpectPunct(',');
                long long b = Expression();
                if (r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255)
                    Fail(line, "KEY colour out of range");
                key = RGB(BYTE(r), BYTE(g), BYTE(b));
            } else if (IsWord(o, "LANGUAGE")) {
                language = Language();
            } else {
                Fail(line, "unknown BITMAP option");
            }
        }
        std::string what = m_path + ":" + std::to_string(line);
        Rgba image = DecodePng(ReadFile(file, line), what);
        if (depth == 0)
            depth = image.HasTransparency() ? 32 : 24;
        Resource& r = Add(IntegerType(RT_BITMAP_ID), name, language, Kind::Bytes, line);
        r.bytes = MakeBitmapResource(image, depth, key, what);
    }

    void IconOrCursor(const ResId& name, int line, bool cursor)
    {
        std::vector<std::u16string> files;
        int hotX = 0, hotY = 0;
        WORD language = m_language;
        while (Peek().kind == Tok::String && Peek().line == line)
            files.push_back(Next().str);
        if (files.empty())
            Fail(line, cursor ? "CURSOR needs a picture" : "ICON needs at least one picture");
        while (SameLine(line)) {
            Token o = Next();
            if (cursor && IsWord(o, "HOTSPOT")) {
                hotX = Coordinate();
                ExpectPunct(',');
                hotY = Coordinate();
            } else if (IsWord(o, "LANGUAGE")) {
                language = Language();
            } else {
                Fail(line, cursor ? "unknown CURSOR option" : "unknown ICON option");
            }
        }
        if (cursor && files.size() != 1)
            Fail(line, "CURSOR takes one picture");
        std::vector<std::uint8_t> group = { 0, 0, BYTE(cursor ? 2 : 1), 0, BYTE(files.size() & 0xFF), BYTE(files.size() >> 8) };
        std::set<std::pair<int, int>> sizes;
        for (const std::u16string& file : files) {
            std::string what = m_path + ":" + std::to_string(line);
            Rgba image = DecodePng(ReadFile(file, line), what);
            if (image.width > 256 || image.height > 256)
                Fail(line, "icon pictures are at most 256 by 256");
            if (!sizes.insert({ image.width, image.height }).second)
                Fail(line, "two pictures of one size");
            if (cursor && (hotX < 0 || hotY < 0 || hotX >= image.width || hotY >= image.height))
                Fail(line, "hot spot outside the picture");
            std::vector<std::uint8_t> bytes = MakeIconImage(image);
            if (cursor) {
                std::vector<std::uint8_t> withHotSpot = { BYTE(hotX), BYTE(hotX >> 8), BYTE(hotY), BYTE(hotY >> 8) };
                withHotSpot.insert(withHotSpot.end(), bytes.begin(), bytes.end());
                bytes = std::move(withHotSpot);
            }
            WORD imageId = m_nextImageId++;
            if (imageId == 0)
                Fail(line, "too many icon images");
            Resource& img = Add(IntegerType(cursor ? RT_CURSOR_ID : RT_ICON_ID), IntegerType(imageId), language, Kind::Bytes, line);
            img.bytes = bytes;
            auto put16 = [&](unsigned v) {
                group.push_back(BYTE(v));
                group.push_back(BYTE(v >> 8));
            };
            auto put32 = [&](unsigned v) {
                put16(v & 0xFFFF);
                put16(v >> 16);
            };
            if (cursor) {
                put16(unsigned(image.width));
                put16(unsigned(image.height) * 2);
            } else {
                group.push_back(BYTE(image.width & 0xFF)); // 256 is written as 0
                group.push_back(BYTE(image.height & 0xFF));
                group.push_back(0); // colour count
                group.push_back(0);
            }
            put16(1);  // planes
            put16(32); // bits per pixel
            put32(unsigned(bytes.size()));
            put16(imageId);
        }
        Resource& r = Add(IntegerType(cursor ? RT_GROUP_CURSOR_ID : RT_GROUP_ICON_ID), name, language, Kind::Bytes, line);
        r.bytes = std::move(group);
    }

    void RawFile(const ResId& name, const ResId& type, int line)
    {
        std::u16string file = ExpectString();
        bool utf16 = false;
        WORD language = m_language;
        while (SameLine(line)) {
            Token o = Next();
            if (IsWord(o, "ENCODING")) {
                Token e = Next();
                if (!IsWord(e, "UTF16CR"))
                    Fail(line, "the one ENCODING is UTF16CR");
                utf16 = true;
            } else if (IsWord(o, "LANGUAGE")) {
                language = Language();
            } else {
                Fail(line, "unknown option");
            }
        }
        std::vector<std::uint8_t> bytes = ReadFile(file, line);
        if (utf16) {
            // UTF-8 text to UTF-16LE without a mark, every line ended by a carriage return.
            std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            if (text.size() >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0)
                text.remove_prefix(3);
            std::u16string units;
            if (!DecodeUtf8(text, units))
                Fail(line, "file is not valid UTF-8");
            std::u16string out;
            for (std::size_t i = 0; i < units.size(); ++i) {
                char16_t c = units[i];
                if (c == u'\r' && i + 1 < units.size() && units[i + 1] == u'\n')
                    continue;
                out.push_back(c == u'\n' ? u'\r' : c);
            }
            if (!out.empty() && out.back() != u'\r')
                out.push_back(u'\r');
            bytes.clear();
            for (char16_t c : out) {
                bytes.push_back(BYTE(c & 0xFF));
                bytes.push_back(BYTE(c >> 8));
            }
        }
        Resource& r = Add(type, name, language, Kind::Bytes, line);
        r.bytes = std::move(bytes);
    }

    void CheckDuplicates() const
    {
        std::map<std::tuple<ResId, ResId, WORD>, int> seen;
        for (const Resource& r : m_script.resources) {
            auto [it, fresh] = seen.emplace(std::make_tuple(r.type, r.name, r.language), r.line);
            if (!fresh)
                Fail(r.line, "duplicate resource " + r.type.Describe() + " " + r.name.Describe() + " language "
                        + std::to_string(r.language) + " (first at line " + std::to_string(it->second) + ")");
        }
    }

    std::string m_path;
    const FileReader& m_reader;
    std::vector<Token> m_tokens;
    std::size_t m_pos = 0;
    std::map<std::string, long long> m_symbols;
    WORD m_language = 1033;
    WORD m_nextImageId = 1;
    Script m_script;
};

} // namespace

std::string ResId::Describe() const
{
    if (!isText)
        return std::to_string(id);
    std::string out = "\"";
    for (char16_t c : text)
        out += c < 0x80 ? char(c) : '?';
    return out + "\"";
}

Script ParseScript(const std::string& path, std::string_view text, const FileReader& readFile)
{
    Parser parser(path, text, readFile);
    return parser.Run();
}

std::optional<std::string> FindDuplicate(const std::vector<Script>& scripts)
{
    std::map<std::tuple<ResId, ResId, WORD>, std::pair<const Script*, int>> seen;
    for (const Script& s : scripts) {
        for (const Resource& r : s.resources) {
            auto [it, fresh] = seen.emplace(std::make_tuple(r.type, r.name, r.language), std::make_pair(&s, r.line));
            if (!fresh && it->second.first != &s)
                return "resource " + r.type.Describe() + " " + r.name.Describe() + " language " + std::to_string(r.language)
                    + " is in both " + it->second.first->path + ":" + std::to_string(it->second.second) + " and " + s.path
                    + ":" + std::to_string(r.line);
        }
    }
    return std::nullopt;
}

} // namespace rc
