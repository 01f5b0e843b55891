#pragma once
// The forgiving XML reader and the file side of XML documents: it never rejects a text that holds
// an element, logs three kinds of trouble ("Unclosed comment", "Error in closing tag", "Failed to
// parse DTD") and returns whatever tree it built. Only the five references amp, lt, gt, quot and
// apos are decoded. The reader works in one pass with a bounded amount of work per input byte and
// no recursion, so hostile texts (deep nesting, huge attribute lists, unterminated constructs)
// cost time and memory in proportion to their size.

class DataBuffer;
class LogBase;
class ParseEngine;
class ProgressMonitor;
class TreeNode;
namespace torvane {
class StringBuffer;
}

// Parses from the engine's cursor. *out receives the resulting top element (the caller owns its
// document) or null when the text holds no element. False only when out is null. A null log
// discards the messages. With trim, text runs lose their leading and trailing whitespace.
bool ParseXml(ParseEngine& engine, LogBase* log, ProgressMonitor* monitor, TreeNode** out, bool trim);
bool ParseXmlText(const torvane::StringBuffer& text, LogBase* log, ProgressMonitor* monitor, TreeNode** out,
    bool trim);
// Reads the pseudo-attributes of a declaration or stylesheet instruction into the element, up to
// and past its '>'.
void ParseDeclarationAttributes(ParseEngine& engine, TreeNode* element, LogBase* log);

// Turns the bytes of an XML file into UTF-8 in place: a UTF-16 byte-order mark, a UTF-8 mark, or
// else the declared encoding decides. False only for an empty buffer.
bool DecodeXmlBytes(DataBuffer& bytes, LogBase* log);
// Loads, decodes and parses a whole file (UTF-8 path). False when the file cannot be read or is
// empty; otherwise the result of the parse, *out null when the file holds no element. A document
// declared as UTF-16 is held as UTF-8 and then declares "utf-8".
bool LoadXmlFileToTree(const char* utf8Path, LogBase* log, ProgressMonitor* monitor, TreeNode** out, bool trim);
// Writes the element (with its document's prolog when it is the top element) to the file in the
// declared encoding; a document without one gets a declaration with "utf-8". The file is replaced
// only once the whole new text is on disk; on any failure it stays as it was and the log says why.
bool SaveXmlTreeToFile(TreeNode* element, const char* utf8Path, LogBase& log);
