#include "components/foundation/XmlParser.h"

#include "components/foundation/LogBase.h"
#include "components/foundation/ParseEngine.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/TreeNode.h"
#include "components/foundation/XmlEscape.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kWhitespace = " \t\r\n";
// The longest of the five references, "&apos;" and "&quot;".
constexpr int kLongestReference = 6;

bool IsWhitespace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void TrimTrailingWhitespace(torvane::StringBuffer& text)
{
    int length = text.GetLength();
    int end = length;
    while (end > 0 && IsWhitespace(text.GetText()[end - 1]))
        --end;
    text.ShortenBy(length - end);
}

class XmlReader {
public:
    XmlReader(ParseEngine& engine, LogBase& log, ProgressMonitor* monitor, bool trim)
        : m_engine(engine)
        , m_log(log)
        , m_monitor(monitor)
        , m_trim(trim)
    {
        long long remaining = (long long)engine.GetLength() - engine.GetCursor();
        // Re-decoding earlier text (after "&amp;lt;" and the like) is bounded in total, so that
        // a crafted text cannot make the work grow with the square of its size.
        m_redecodeBudget = remaining * 8 + (1LL << 20);
    }
    ~XmlReader();

    TreeNode* Run();

private:
    struct OpenElement {
        TreeNode* node;
        // Offset of the first reference left undecoded in the element's text, -1 when none.
        int pendingReference;
    };

    TreeNode* Current() const { return m_open.empty() ? nullptr : m_open.back().node; }
    bool ReadTextRun();
    bool ReadCdataSections();
    bool ReadMarkup();
    void ReadStartTag();
    void ReadClosingTag();
    void ReadInstruction();
    void StartElement(const torvane::StringBuffer& name);
    void CloseCurrent();
    void Finish(TreeNode* top);
    void AddTextRun(const torvane::StringBuffer& run);
    void DecodeText(OpenElement& open, int appendedAt);
    void DiscardOpenTree();

    ParseEngine& m_engine;
    LogBase& m_log;
    ProgressMonitor* m_monitor;
    bool m_trim;

    std::vector<OpenElement> m_open;
    TreeNode* m_result = nullptr;
    TreeNode* m_pendingDeclaration = nullptr;
    std::vector<TreeNode*> m_stylesheets;
    torvane::StringBuffer m_prolog;
    torvane::StringBuffer m_whitespaceRun;
    long long m_redecodeBudget;
    bool m_budgetReported = false;
    // A search for "?>" from here on is known to fail (it failed from an earlier position).
    int m_noInstructionEndFrom = INT_MAX;
};

XmlReader::~XmlReader()
{
    DiscardOpenTree();
    delete m_pendingDeclaration;
    for (TreeNode* sheet : m_stylesheets)
        delete sheet;
    delete m_result;
}

void XmlReader::DiscardOpenTree()
{
    if (m_open.empty())
        return;
    TreeNode* top = m_open.front().node;
    m_open.clear();
    delete top;
}

TreeNode* XmlReader::Run()
{
    if (m_monitor && !m_engine.AtEnd())
        m_monitor->ResetTotal(std::uint32_t(m_engine.GetLength() - m_engine.GetCursor()));

    bool more = true;
    while (more && !m_engine.AtEnd()) {
        if (Current()) {
            more = ReadTextRun();
            continue;
        }
        m_engine.SkipChars(kWhitespace);
        if (m_engine.AtEnd())
            break;
        m_engine.SeekChar('<');
        m_engine.Advance(1);
        more = ReadMarkup();
    }

    if (m_result) {
        DiscardOpenTree();
    } else if (!m_open.empty()) {
        // A text whose elements are never closed still yields its tree.
        TreeNode* top = m_open.front().node;
        m_open.clear();
        Finish(top);
    }
    delete m_pendingDeclaration;
    m_pendingDeclaration = nullptr;
    if (m_monitor)
        m_monitor->Complete();
    TreeNode* result = m_result;
    m_result = nullptr;
    return result;
}

// With an open element: whitespace, then a CDATA section or a text run and the markup after it.
// False when parsing must end.
bool XmlReader::ReadTextRun()
{
    int start = m_engine.GetCursor();
    m_engine.SkipChars(kWhitespace);
    if (!m_trim) {
        m_whitespaceRun.Clear();
        m_whitespaceRun.AppendBytes(m_engine.GetText() + start, m_engine.GetCursor() - start);
    }
    if (m_engine.LookingAt("<![CDATA["))
        return ReadCdataSections();

    torvane::StringBuffer run;
    m_engine.CaptureUntilChar('<', run);
    bool atMarkup = !m_engine.AtEnd();
    m_engine.Advance(1);
    if (m_trim)
        TrimTrailingWhitespace(run);
    if (run.GetLength() > 0)
        AddTextRun(run);
    if (!atMarkup)
        return false;
    if (m_engine.LookingAt("![CDATA[")) {
        m_engine.SetCursor(m_engine.GetCursor() - 1);
        return ReadCdataSections();
    }
    return ReadMarkup();
}

void XmlReader::AddTextRun(const torvane::StringBuffer& run)
{
    OpenElement& open = m_open.back();
    TreeNode* element = open.node;
    int appendedAt = 0;
    if (torvane::StringBuffer* text = element->ContentBuffer()) {
        if (!m_trim)
            text->AppendBuffer(m_whitespaceRun);
        if (text->GetLength() > 0)
            text->AppendChar(' ');
        appendedAt = text->GetLength();
        text->AppendBuffer(run);
    } else {
        text = element->GetOrCreateContent();
        if (!m_trim)
            text->AppendBuffer(m_whitespaceRun);
        text->AppendBuffer(run);
    }
    DecodeText(open, appendedAt);
}

// Decodes the five references over the element's whole text. Only the part from the first
// reference still undecoded can change, so only that part is visited.
void XmlReader::DecodeText(OpenElement& open, int appendedAt)
{
    torvane::StringBuffer& text = *open.node->ContentBuffer();
    int from = appendedAt;
    if (open.pendingReference >= 0 && open.pendingReference < from) {
        long long cost = (long long)text.GetLength() - open.pendingReference;
        if (cost <= m_redecodeBudget) {
            m_redecodeBudget -= cost;
            from = open.pendingReference;
        } else if (!m_budgetReported) {
            m_budgetReported = true;
            m_log.LogError("Too many levels of escaped references in element text");
            m_log.LogData("tag", open.node->GetTag());
        }
    }
    open.pendingReference = DecodeFiveReferences(text, from);
}

// The cursor is on "<![CDATA[". Sections follow one another into the current element's text.
bool XmlReader::ReadCdataSections()
{
    OpenElement& open = m_open.back();
    TreeNode* element = open.node;
    element->SetCdata(true);
    for (;;) {
        m_engine.Advance(9);
        torvane::StringBuffer* text = element->GetOrCreateContent();
        int appendedAt = text->GetLength();
        const char* here = m_engine.CurrentPointer();
        const char* end = std::strstr(here, "]]>");
        int length = end ? int(end - here) : m_engine.GetLength() - m_engine.GetCursor();
        text->AppendBytes(here, length);
        m_engine.Advance(length);
        // Section bytes are not decoded now, but a later text run decodes the whole text.
        int reference = FindFirstReference(*text, appendedAt > kLongestReference ? appendedAt - kLongestReference : 0);
        if (reference >= 0 && (open.pendingReference < 0 || reference < open.pendingReference))
            open.pendingReference = reference;
        if (!end)
            return false;
        m_engine.Advance(3);
        m_engine.SeekChar('<');
        if (m_engine.AtEnd())
            return false;
        if (!m_engine.LookingAt("<![CDATA["))
            break;
    }
    m_engine.Advance(1);
    return ReadMarkup();
}

// The cursor is just past a '<'. False when parsing must end.
bool XmlReader::ReadMarkup()
{
    char markup = m_engine.CurrentChar();
    m_engine.SkipChars(kWhitespace);
    if (m_engine.AtEnd())
        return false;
    switch (markup) {
    case '!':
        if (m_engine.LookingAt("!--")) {
            if (!m_engine.SkipPast("-->")) {
                m_log.LogError("Unclosed comment");
                return false;
            }
            return true;
        }
        if (m_engine.LookingAtNoCase("!DOCTYPE")) {
            int start = m_prolog.GetLength();
            m_prolog.AppendChar('<');
            if (!m_engine.CaptureBalanced('<', '>', 1, m_prolog)) {
                m_log.LogError("Failed to parse DTD");
                // A truncated declaration is closed here, so that the prolog written back with
                // the document reads back the same instead of swallowing the root.
                int depth = 0;
                for (int i = start; i < m_prolog.GetLength(); ++i) {
                    char c = m_prolog.GetText()[i];
                    depth += c == '<' ? 1 : c == '>' ? -1 : 0;
                }
                while (depth-- > 0)
                    m_prolog.AppendChar('>');
            }
            m_prolog.AppendChar('\n');
            return true;
        }
        m_engine.SeekChar('>');
        m_engine.Advance(1);
        return true;
    case '?':
        m_engine.Advance(1);
        ReadInstruction();
        return true;
    case '/':
        ReadClosingTag();
        return true;
    default:
        ReadStartTag();
        return true;
    }
}

void XmlReader::ReadInstruction()
{
    bool declaration = m_engine.LookingAtNoCase("xml ");
    if (declaration || m_engine.LookingAtNoCase("xml-stylesheet")) {
        torvane::StringBuffer name;
        m_engine.CaptureUntilAnyOf(" \t\r\n/>", name);
        m_engine.SkipChars(kWhitespace);
        if (m_engine.CurrentChar() == '/')
            m_engine.Advance(1);
        TreeNode* element = TreeNode::CreateRoot(name.GetText());
        if (declaration) {
            delete m_pendingDeclaration;
            m_pendingDeclaration = element;
        } else {
            m_stylesheets.push_back(element);
        }
        ParseDeclarationAttributes(m_engine, element, &m_log);
        return;
    }
    // An instruction without its "?>" holds nothing that can be kept: written back as "<?" it
    // would swallow the document up to the next "?>".
    torvane::StringBuffer instruction;
    if (m_engine.GetCursor() < m_noInstructionEndFrom && m_engine.CaptureThrough("?>", instruction)) {
        m_prolog.Append("<?");
        m_prolog.AppendBuffer(instruction);
        m_prolog.AppendChar('\n');
    } else {
        m_noInstructionEndFrom = m_engine.GetCursor();
    }
}

void XmlReader::ReadClosingTag()
{
    if (m_monitor) {
        bool abort = false;
        m_monitor->SetDone(std::uint32_t(m_engine.GetCursor()), &abort);
    }
    if (m_engine.SeekCharBefore('>', '<')) {
        m_engine.Advance(1);
    } else {
        // The cursor stays on the '<', which starts the next markup.
        m_log.LogError("Error in closing tag");
        if (TreeNode* current = Current())
            m_log.LogData("error_tag", current->GetTag());
    }
    // The name in the closing tag is not compared: it closes whatever element is open.
    if (Current())
        CloseCurrent();
}

void XmlReader::ReadStartTag()
{
    torvane::StringBuffer name;
    m_engine.CaptureUntilAnyOf(" \t\r\n/>", name);
    if (m_engine.AtEnd())
        return;
    name.RemoveChar('<');
    // "< ?x" or "<<!x" would be written back as "<?x" or "<!x", an instruction or a declaration,
    // and the saved document would lose the element: such markup is passed over.
    if (name.GetLength() > 0 && (name.GetText()[0] == '?' || name.GetText()[0] == '!')) {
        m_engine.SeekChar('>');
        m_engine.Advance(1);
        return;
    }
    bool empty = false;
    m_engine.SkipChars(kWhitespace);
    if (m_engine.CurrentChar() == '/') {
        empty = true;
        m_engine.Advance(1);
    }
    StartElement(name);
    TreeNode* element = Current();
    m_engine.SkipChars(kWhitespace);

    torvane::StringBuffer attributeName;
    torvane::StringBuffer value;
    while (!m_engine.AtEnd() && m_engine.CurrentChar() != '>') {
        int before = m_engine.GetCursor();
        attributeName.Clear();
        value.Clear();
        m_engine.CaptureUntilAnyOf(" \t\r\n=/>", attributeName);
        attributeName.RemoveChar('"');
        attributeName.RemoveChar('\'');
        attributeName.RemoveChar('<');
        m_engine.SkipChars(kWhitespace);
        if (m_engine.CurrentChar() == '=') {
            m_engine.Advance(1);
            m_engine.SkipChars(kWhitespace);
            char quote = m_engine.CurrentChar();
            if (quote == '"' || quote == '\'') {
                m_engine.Advance(1);
                m_engine.CaptureUntilChar(quote, value);
            } else {
                m_engine.CaptureUntilAnyOf2("\"'", value);
            }
            DecodeFiveReferences(value, 0);
            if (m_engine.CurrentChar() == '"' || m_engine.CurrentChar() == '\'')
                m_engine.Advance(1);
        }
        element->AddAttributeBytes(attributeName.GetText(), attributeName.GetLength(), value.GetText(),
            value.GetLength());
        m_engine.SkipChars(kWhitespace);
        if (m_engine.CurrentChar() == '/') {
            m_engine.Advance(1);
            m_engine.SkipChars(kWhitespace);
            empty = true;
        }
        if (m_engine.GetCursor() == before)
            m_engine.Advance(1);
    }
    if (m_engine.AtEnd())
        return;
    m_engine.Advance(1);
    if (empty)
        CloseCurrent();
}

void XmlReader::StartElement(const torvane::StringBuffer& name)
{
    TreeNode* element = TreeNode::CreateChild(Current(), name.GetText());
    m_open.push_back({ element, -1 });
}

void XmlReader::CloseCurrent()
{
    TreeNode* element = m_open.back().node;
    m_open.pop_back();
    if (!element->GetParent())
        Finish(element);
}

// A closed top element becomes the result, taking the prolog met so far.
void XmlReader::Finish(TreeNode* top)
{
    top->EnsureDocument();
    TreeInfo* document = top->GetDocument();
    if (m_pendingDeclaration) {
        document->SetDeclaration(m_pendingDeclaration);
        m_pendingDeclaration = nullptr;
    }
    for (TreeNode* sheet : m_stylesheets)
        document->AddStylesheet(sheet);
    m_stylesheets.clear();
    top->SetPrologText(m_prolog.GetText());
    if (m_result && m_result != top)
        delete m_result;
    m_result = top;
}

} // namespace

void ParseDeclarationAttributes(ParseEngine& engine, TreeNode* element, LogBase* log)
{
    (void)log;
    torvane::StringBuffer name;
    torvane::StringBuffer value;
    engine.SkipChars(kWhitespace);
    while (!engine.AtEnd() && engine.CurrentChar() != '>') {
        int before = engine.GetCursor();
        name.Clear();
        value.Clear();
        engine.CaptureUntilAnyOf(" \t\r\n=?>", name);
        name.RemoveChar('"');
        engine.SkipChars(kWhitespace);
        if (engine.CurrentChar() == '=') {
            engine.Advance(1);
            engine.SkipChars(kWhitespace);
            if (engine.CurrentChar() == '"')
                engine.Advance(1);
            if (engine.CurrentChar() == '\'')
                engine.Advance(1);
            engine.CaptureUntilAnyOf4("\"'\r\n", value);
            value.RemoveChar('"');
            DecodeFiveReferences(value, 0);
            if (engine.CurrentChar() == '"')
                engine.Advance(1);
            if (engine.CurrentChar() == '\'')
                engine.Advance(1);
        }
        if (element)
            element->AddAttributeBytes(name.GetText(), name.GetLength(), value.GetText(), value.GetLength());
        engine.SkipChars(kWhitespace);
        if (engine.CurrentChar() == '?') {
            engine.Advance(1);
            engine.SkipChars(kWhitespace);
        }
        if (engine.GetCursor() == before)
            engine.Advance(1);
    }
    if (engine.CurrentChar() == '>')
        engine.Advance(1);
}

bool ParseXml(ParseEngine& engine, LogBase* log, ProgressMonitor* monitor, TreeNode** out, bool trim)
{
    if (!out)
        return false;
    LogNull discard;
    XmlReader reader(engine, log ? *log : discard, monitor, trim);
    *out = reader.Run();
    return true;
}

bool ParseXmlText(const torvane::StringBuffer& text, LogBase* log, ProgressMonitor* monitor, TreeNode** out,
    bool trim)
{
    ParseEngine engine;
    engine.SetText(text.GetText());
    return ParseXml(engine, log, monitor, out, trim);
}
