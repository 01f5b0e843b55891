// The writer of the library's XML text form. Stored files (stack files among them) depend on its
// exact bytes: CR LF line ends, four spaces per level up to level 50, CR LF before every first child.

#include "components/foundation/TreeNode.h"

#include "components/foundation/AttributeSet.h"
#include "components/foundation/XmlEscape.h"

#include <vector>

namespace {

constexpr int kMaximumIndentLevel = 50;

// Collects the output and remembers whether every append made it.
struct TextSink {
    torvane::StringBuffer& out;
    bool complete = true;

    void Put(const char* text) { complete = AppendChecked(out, text) && complete; }
    void Put(const char* bytes, int n) { complete = AppendChecked(out, bytes, n) && complete; }
    void Note(bool appended) { complete = appended && complete; }
};

const char* TagForWriting(const TreeNode& node)
{
    const char* tag = node.GetTag();
    return *tag ? tag : "nothing";
}

void PutIndent(TextSink& sink, int depth)
{
    static const char kSpaces[4 * kMaximumIndentLevel + 1] =
        "                                                                                                    "
        "                                                                                                    ";
    int level = depth < kMaximumIndentLevel ? depth : kMaximumIndentLevel;
    if (level > 0)
        sink.Put(kSpaces, 4 * level);
}

void PutAttributes(TextSink& sink, const TreeNode& element)
{
    if (element.Attributes())
        sink.Note(element.Attributes()->Write(sink.out));
}

void PutInstruction(TextSink& sink, const char* opening, const TreeNode& element)
{
    sink.Put(opening);
    PutAttributes(sink, element);
    sink.Put(" ?>\r\n");
}

void PutProlog(TextSink& sink, TreeInfo& document)
{
    if (TreeNode* declaration = document.m_declaration) {
        if (declaration->NumAttributes() > 0) {
            // "standalone" must come last in a declaration; the move is kept in memory.
            torvane::StringBuffer standalone;
            if (declaration->GetAttribute("standalone", standalone))
                declaration->UpdateAttribute("standalone", standalone.GetText());
        }
        PutInstruction(sink, "<?xml", *declaration);
    }
    for (int i = 0; i < document.StylesheetCount(); ++i) {
        TreeNode* sheet = document.StylesheetAt(i);
        if (sheet && sheet->NumAttributes() > 0)
            PutInstruction(sink, "<?xml-stylesheet", *sheet);
    }
    if (document.m_prolog && document.m_prolog->GetLength() > 0) {
        sink.Put(document.m_prolog->GetText(), document.m_prolog->GetLength());
        sink.Put("\r\n");
    }
}

// Writes everything up to the element's children. False for an empty-element tag (no children
// or closing tag follow).
bool PutOpening(TextSink& sink, TreeNode& node, int index, int depth)
{
    if (node.IsDocumentRoot())
        PutProlog(sink, *node.GetDocument());
    if (index == 0)
        sink.Put("\r\n");
    PutIndent(sink, depth);
    sink.Put("<");
    sink.Put(TagForWriting(node));
    PutAttributes(sink, node);
    if (!node.HasContent() && !node.HasChildList()) {
        sink.Put(" />\r\n");
        return false;
    }
    sink.Put(">");
    if (node.HasContent()) {
        const torvane::StringBuffer& text = *node.ContentBuffer();
        if (node.IsCdata())
            sink.Note(AppendCdataSection(text.GetText(), text.GetLength(), sink.out));
        else
            sink.Note(AppendEscapedText(text.GetText(), text.GetLength(), sink.out));
    }
    return true;
}

void PutClosing(TextSink& sink, const TreeNode& node, int depth)
{
    if (node.HasChildList() || sink.out.LastChar() == '\n')
        PutIndent(sink, depth);
    sink.Put("</");
    sink.Put(TagForWriting(node));
    sink.Put(">\r\n");
}

} // namespace

bool TreeNode::WriteXml(torvane::StringBuffer& out, int index, int depth)
{
    struct Frame {
        TreeNode* node;
        int depth;
        int nextChild;
    };
    TextSink sink { out };
    std::vector<Frame> frames;
    if (PutOpening(sink, *this, index, depth))
        frames.push_back({ this, depth, 0 });
    while (!frames.empty() && sink.complete) {
        Frame& frame = frames.back();
        if (frame.nextChild >= frame.node->NumChildren()) {
            PutClosing(sink, *frame.node, frame.depth);
            frames.pop_back();
            continue;
        }
        int childIndex = frame.nextChild++;
        TreeNode* child = frame.node->ChildAt(childIndex);
        int childDepth = frame.depth + 1;
        if (child && child->IsAlive() && PutOpening(sink, *child, childIndex, childDepth))
            frames.push_back({ child, childDepth, 0 });
    }
    return sink.complete;
}
