// The stored texts are large string literals: this file is kept apart so that it is rebuilt only
// when the generated tables change.
#include "components/foundation/CodePageTableTexts.h"

namespace {

#define VORNALT_CODEPAGE_TEXT_BEGIN(name) const char* const kText_##name[] = {
#define VORNALT_CODEPAGE_TEXT_PIECE(text) text,
#define VORNALT_CODEPAGE_TEXT_END(name) nullptr };

#include "components/foundation/tables/codepage_texts_dos.inc"
#include "components/foundation/tables/codepage_texts_double_byte.inc"
#include "components/foundation/tables/codepage_texts_ebcdic.inc"
#include "components/foundation/tables/codepage_texts_ia5.inc"
#include "components/foundation/tables/codepage_texts_iso8859.inc"
#include "components/foundation/tables/codepage_texts_mac.inc"
#include "components/foundation/tables/codepage_texts_other.inc"
#include "components/foundation/tables/codepage_texts_windows.inc"

#undef VORNALT_CODEPAGE_TEXT_BEGIN
#undef VORNALT_CODEPAGE_TEXT_PIECE
#undef VORNALT_CODEPAGE_TEXT_END

#define VORNALT_SINGLE_BYTE_PAGE(codePage, name) { codePage, false, kText_##name },
#define VORNALT_DOUBLE_BYTE_PAGE(codePage, name) { codePage, true, kText_##name },

const StoredCodePageText kPages[] = {
#include "components/foundation/tables/codepage_index.inc"
};

#undef VORNALT_SINGLE_BYTE_PAGE
#undef VORNALT_DOUBLE_BYTE_PAGE

} // namespace

const StoredCodePageText* StoredCodePageTexts(std::size_t* count)
{
    *count = sizeof(kPages) / sizeof(kPages[0]);
    return kPages;
}

const char* const* StoredMacJapaneseDifferencePieces() { return kText_mac_japanese_difference; }
