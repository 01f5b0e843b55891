#pragma once
// Writes the target's current image to a file whose folder, name and type the user set. The
// name comes from a template whose tokens are replaced in one left-to-right pass:
//   %o source name without folder and extension   %b index in the batch (0 outside one)
//   %d day  %m month  %y year  %h hour  %i minute  %s second  (local time, no leading zeros)
// Text put in for a token is never read again, so a source named "shot%d.png" keeps its name.

#include "engine/Action.h"
#include "platform/base/Time.h"

class CActionSaveFile : public CAction {
public:
    CActionSaveFile();

    std::u16string GetTypeKey() const override { return u"builtin__savefile"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool ShowPropertyDialog(int targetKind, HWND parent) override;
    // 1 for a target that is not a file, 2 when the source type is unknown and the output keeps
    // it, else SaveAs's code (8, 9, 10 or 0). A preview builds the name and writes nothing.
    int Process(CActionTarget* target) override;
    std::vector<std::u16string> GetAcceptedValues(std::u16string_view name) const override
    {
        if (name == u"destfiletype")
            return { u"1", u"2", u"3", u"4", u"5" };
        return {};
    }

protected:
    ~CActionSaveFile() override = default;
};

// The template with its tokens replaced; without a time every date and time token gives -1.
std::u16string ExpandFileNameTemplate(std::u16string_view nameTemplate, std::u16string_view originalName,
    const SYSTEMTIME* localTime, int batchIndex);
