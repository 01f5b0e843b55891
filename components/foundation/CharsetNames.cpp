#include "components/foundation/CharsetNames.h"

#include "components/foundation/StringBuffer.h"

#include <map>
#include <string>
#include <unordered_map>

namespace {

struct CodePageNames {
    int codePage;
    const char* canonical; // null: reached only through its aliases
    const char* aliases; // '|'-separated, already normalised
    bool canonicalIsLookupName; // false where another page owns the same name for lookups
};

const CodePageNames kCodePages[] = {
    { 37, "ibm037", "cp037|csibm037|ebcdic|ebcdic-cp-ca|ebcdic-cp-nl|ebcdic-cp-us|ebcdic-cp-wt", true },
    { 437, "ibm437", "cp437|cspc8codepage437", true },
    { 500, "ibm500", "cp500|csibm500|ebcdic-cp-be|ebcdic-cp-ch", true },
    { 708, "asmo-708", "", true },
    { 709, nullptr, "asmo-449|asmo-449+", true },
    { 720, "dos-720", "", true },
    { 737, "ibm737", "", true },
    { 775, "ibm775", "", true },
    { 850, "ibm850", "cp850", true },
    { 852, "ibm852", "cp852", true },
    { 855, "ibm855", "cp855", true },
    { 857, "ibm857", "cp857", true },
    { 858, "ibm00858", "ccsid00858|cp00858|cp858", true },
    { 860, "ibm860", "cp860", true },
    { 861, "ibm861", "cp861", true },
    { 862, "dos-862", "cp862|ibm862", true },
    { 863, "ibm863", "cp863", true },
    { 864, "ibm864", "cp864", true },
    { 865, "ibm865", "cp865", true },
    { 866, "cp866", "ibm866", true },
    { 869, "ibm869", "cp869", true },
    { 870, "ibm870", "cp870|csibm870|ebcdic-cp-roece|ebcdic-cp-yu", true },
    { 874, "windows-874", "dos-874|iso-8859-11", true },
    { 875, "cp875", "", true },
    { 932, "shift_jis", "csshiftjis|cswindows31j|ms-kanji|sjis|x-ms-cp932|x-sjis", true },
    { 936, "gb2312", "chinese|cn-gb|csgb2312|csgb231280|csiso58gb231280|gb-2312-80|gb2312-80|gbk|iso-ir-58", true },
    { 949, "ks_c_5601-1987", "csksc56011987|iso-ir-149|korean|ks-c-5601|ks-c-5601-1989|ks-c5601|ksc-5601|ksc5601", true },
    { 950, "big5", "big5-hkscs|cn-big5|csbig5|x-x-big5", true },
    { 1026, "ibm1026", "cp1026|csibm1026", true },
    { 1047, "ibm01047", "", true },
    { 1140, "ibm01140", "ccsid01140|cp01140|ebcdic-us-37+euro", true },
    { 1141, "ibm01141", "ccsid01141|cp01141|ebcdic-de-273+euro", true },
    { 1142, "ibm01142", "ccsid01142|cp01142|ebcdic-dk-277+euro|ebcdic-no-277+euro", true },
    { 1143, "ibm01143", "ccsid01143|cp01143|ebcdic-fi-278+euro|ebcdic-se-278+euro", true },
    { 1144, "ibm01144", "ccsid01144|cp01144|ebcdic-it-280+euro", true },
    { 1145, "ibm01145", "ccsid01145|cp01145|ebcdic-es-284+euro", true },
    { 1146, "ibm01146", "ccsid01146|cp01146|ebcdic-gb-285+euro", true },
    { 1147, "ibm01147", "ccsid01147|cp01147|ebcdic-fr-297+euro", true },
    { 1148, "ibm01148", "ccsid01148|cp01148", true },
    { 1149, "ibm01149", "ccsid01149|cp01149|ebcdic-is-871+euro", true },
    { 1200, "unicode", "iso-10646-ucs-2|ucs-2|utf-16|utf-16le", true },
    { 1201, "unicodefffe", "utf-16be", true },
    { 1250, "windows-1250", "x-cp1250", true },
    { 1251, "windows-1251", "x-cp1251", true },
    { 1252, "windows-1252", "x-ansi", true },
    { 1253, "windows-1253", "", true },
    { 1254, "windows-1254", "", true },
    { 1255, "windows-1255", "", true },
    { 1256, "windows-1256", "cp1256", true },
    { 1257, "windows-1257", "", true },
    { 1258, "windows-1258", "", true },
    { 1361, "johab", "", true },
    { 10000, "macintosh", "macroman", true },
    { 10001, "x-mac-japanese", "macjapanese", true },
    { 10002, "x-mac-chinesetrad", "macchinesetrad", true },
    { 10003, "x-mac-korean", "mackorean", true },
    { 10004, "x-mac-arabic", "macarabic", true },
    { 10005, "x-mac-hebrew", "machebrew", true },
    { 10006, "x-mac-greek", "macgreek", true },
    { 10007, "x-mac-cyrillic", "maccyrillic", true },
    { 10008, "x-mac-chinesesimp", "macchinesesimp", true },
    { 10010, "x-mac-romanian", "", true },
    { 10017, "x-mac-ukrainian", "", true },
    { 10021, "x-mac-thai", "", true },
    { 10029, "x-mac-ce", "maccentraleurope", true },
    { 10079, "x-mac-icelandic", "macicelandic", true },
    { 10081, "x-mac-turkish", "macturkish", true },
    { 10082, "x-mac-croatian", "", true },
    { 20000, "x-chinese-cns", "", true },
    { 20001, "x-cp20001", "", true },
    { 20002, "x-chinese-eten", "", true },
    { 20003, "x-cp20003", "", true },
    { 20004, "x-cp20004", "", true },
    { 20005, "x-cp20005", "", true },
    { 20105, "x-ia5", "irv", true },
    { 20106, "x-ia5-german", "din-66003|german", true },
    { 20107, "x-ia5-swedish", "sen-850200-b|swedish", true },
    { 20108, "x-ia5-norwegian", "norwegian|ns-4551-1", true },
    { 20127, "us-ascii", "ansi-x3.4-1968|ansi-x3.4-1986|ascii|cp367|csascii|ibm367|iso-646.irv:1991|iso-ir-6|iso646-us|us", true },
    { 20261, "x-cp20261", "", true },
    { 20269, "x-cp20269", "", true },
    { 20273, "ibm273", "cp273|csibm273", true },
    { 20277, "ibm277", "csibm277|ebcdic-cp-dk|ebcdic-cp-no", true },
    { 20278, "ibm278", "cp278|csibm278|ebcdic-cp-fi|ebcdic-cp-se", true },
    { 20280, "ibm280", "cp280|csibm280|ebcdic-cp-it", true },
    { 20284, "ibm284", "cp284|csibm284|ebcdic-cp-es", true },
    { 20285, "ibm285", "cp285|csibm285|ebcdic-cp-gb", true },
    { 20290, "ibm290", "cp290|csibm290|ebcdic-jp-kana", true },
    { 20297, "ibm297", "cp297|csibm297|ebcdic-cp-fr", true },
    { 20420, "ibm420", "cp420|csibm420|ebcdic-cp-ar1", true },
    { 20423, "ibm423", "cp423|csibm423|ebcdic-cp-gr", true },
    { 20424, "ibm424", "cp424|csibm424|ebcdic-cp-he", true },
    { 20833, "x-ebcdic-koreanextended", "", true },
    { 20838, "ibm-thai", "csibmthai", true },
    { 20866, "koi8-r", "cskoi8r|koi|koi8|koi8r", true },
    { 20871, "ibm871", "cp871|csibm871|ebcdic-cp-is", true },
    { 20880, "ibm880", "cp880|csibm880|ebcdic-cyrillic", true },
    { 20905, "ibm905", "cp905|csibm905|ebcdic-cp-tr", true },
    { 20924, "ibm00924", "ccsid00924|cp00924|ebcdic-latin9--euro", true },
    { 20932, "euc-jp", "", false },
    { 20936, "x-cp20936", "", true },
    { 20949, "x-cp20949", "", true },
    { 21025, "cp1025", "", true },
    { 21027, nullptr, "x-cp21027", true },
    { 21866, "koi8-u", "koi8-ru", true },
    { 28591, "iso-8859-1", "cp819|csisolatin1|ibm819|iso-8859-1:1987|iso-ir-100|l1|latin-1|latin1", true },
    { 28592, "iso-8859-2", "csisolatin2|iso-8859-2:1987|iso-ir-101|l2|latin-2|latin2", true },
    { 28593, "iso-8859-3", "csisolatin3|iso-8859-3:1988|iso-ir-109|l3|latin-3|latin3", true },
    { 28594, "iso-8859-4", "csisolatin4|iso-8859-4:1988|iso-ir-110|l4|latin-4|latin4", true },
    { 28595, "iso-8859-5", "csisolatincyrillic|cyrillic|iso-8859-5:1988|iso-ir-144", true },
    { 28596, "iso-8859-6", "arabic|csisolatinarabic|ecma-114|iso-8859-6:1987|iso-ir-127", true },
    { 28597, "iso-8859-7", "csisolatingreek|ecma-118|elot-928|greek|iso-8859-7:1987|iso-ir-126", true },
    { 28598, "iso-8859-8", "csisolatinhebrew|hebrew|iso-8859-8 visual|iso-8859-8:1988|iso-ir-138", true },
    { 28599, "iso-8859-9", "csisolatin5|iso-8859-9:1989|iso-ir-148|l5|latin-5|latin5", true },
    { 28603, "iso-8859-13", "", true },
    { 28605, "iso-8859-15", "csisolatin9|l9|latin-9|latin9", true },
    { 29001, "x-europa", "", true },
    { 38598, "iso-8859-8-i", "", true },
    { 50000, nullptr, "x-user-defined", true },
    { 50220, "iso-2022-jp", "", true },
    { 50221, "csiso2022jp", "iso-2022-jp-1", true },
    { 50222, "iso-2022-jp", "iso-2022-jp-2", false },
    { 50225, "iso-2022-kr", "csiso2022kr|iso-2022-kr-7|iso-2022-kr-7bit", true },
    { 50227, "x-cp50227", "cp50227", true },
    { 50930, nullptr, "cp930", true },
    { 50931, nullptr, "x-ebcdic-japaneseanduscanada", true },
    { 50933, nullptr, "cp933", true },
    { 50935, nullptr, "cp935", true },
    { 50937, nullptr, "cp937", true },
    { 50939, nullptr, "cp939", true },
    { 51932, "euc-jp", "cseucpkdfmtjapanese|iso-2022-jpeuc|x-euc|x-euc-jp", true },
    { 51936, "euc-cn", "x-euc-cn", true },
    { 51949, "euc-kr", "cseuckr|iso-2022-kr-8|iso-2022-kr-8bit", true },
    { 51950, nullptr, "euc-tw", true },
    { 52936, "hz-gb-2312", "", true },
    { 54936, "gb18030", "gb18030-2000", true },
    { 57002, "x-iscii-de", "", true },
    { 57003, "x-iscii-be", "", true },
    { 57004, "x-iscii-ta", "", true },
    { 57005, "x-iscii-te", "", true },
    { 57006, "x-iscii-as", "", true },
    { 57007, "x-iscii-or", "", true },
    { 57008, "x-iscii-ka", "", true },
    { 57009, "x-iscii-ma", "", true },
    { 57010, "x-iscii-gu", "", true },
    { 57011, "x-iscii-pa", "", true },
    { 65000, "utf-7", "csunicode11utf7|unicode-1-1-utf-7|unicode-2-0-utf-7|x-unicode-1-1-utf-7|x-unicode-2-0-utf-7", true },
    { 65001, "utf-8", "unicode-1-1-utf-8|unicode-2-0-utf-8|x-unicode-1-1-utf-8|x-unicode-2-0-utf-8", true },
    { 65005, "utf-32", "", true },
    { 65006, "utf-32be", "", true },
};

struct Tables {
    std::map<int, std::string> canonicalByCodePage;
    std::unordered_map<std::string, int> codePageByName;
};

std::string Normalise(const char* name)
{
    torvane::StringBuffer text(name);
    text.Trim();
    text.ToLower();
    text.ReplaceChar('_', '-');
    return std::string(text.GetText(), size_t(text.GetLength()));
}

// Built once; a function-local static is initialised safely even when two threads ask first.
const Tables& GetTables()
{
    static const Tables tables = [] {
        Tables built;
        for (const CodePageNames& entry : kCodePages) {
            if (entry.canonical) {
                built.canonicalByCodePage[entry.codePage] = entry.canonical;
                if (entry.canonicalIsLookupName)
                    built.codePageByName[Normalise(entry.canonical)] = entry.codePage;
            }
            std::string aliases = entry.aliases;
            size_t start = 0;
            while (start < aliases.size()) {
                size_t end = aliases.find('|', start);
                if (end == std::string::npos)
                    end = aliases.size();
                built.codePageByName[aliases.substr(start, end - start)] = entry.codePage;
                start = end + 1;
            }
        }
        return built;
    }();
    return tables;
}

} // namespace

bool CharsetNameFromCodePage(int codePage, torvane::StringBuffer& out)
{
    out.Clear();
    const auto& names = GetTables().canonicalByCodePage;
    auto found = names.find(codePage);
    if (found == names.end())
        return false;
    out.Append(found->second.c_str());
    return true;
}

int CodePageFromCharsetName(const char* name)
{
    if (!name)
        return 0;
    const auto& codePages = GetTables().codePageByName;
    auto found = codePages.find(Normalise(name));
    return found == codePages.end() ? 0 : found->second;
}

bool IsKnownCharsetName(const char* name) { return CodePageFromCharsetName(name) != 0; }

int CanonicalCharsetNameCount() { return int(GetTables().canonicalByCodePage.size()); }

int CharsetLookupNameCount() { return int(GetTables().codePageByName.size()); }
