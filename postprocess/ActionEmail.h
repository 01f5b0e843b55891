#pragma once
// Sends one e-mail over SMTP with the run's output attached: the previous post-process action's
// output when it is on disk (an archive, or every file of a gallery folder), else every collected
// output file. At most ten attachments go in one message.

#include "engine/Action.h"
#include "postprocess/PostProcessDialogs.h"

#include <string>
#include <vector>

class CActionEmail : public CPostProcessAction {
public:
    CActionEmail();

    std::u16string GetTypeKey() const override { return u"builtin_email"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool Validate(std::vector<std::u16string>& problems) override;
    bool ShowPropertyDialog(int targetKind, HWND parent) override;
    // 0; 21 when no recipient is left; 22 for more than ten attachments (nothing is sent);
    // 23 when sending failed. A file that cannot be attached is logged and left out.
    int PostProcess() override;

protected:
    ~CActionEmail() override = default;

private:
    EmailDialogValues readSettings();
    void writeSettings(const EmailDialogValues& settings);
};

// The recipients of a ";"-separated list: blanks and tabs around each address dropped, empty
// pieces skipped.
std::vector<std::u16string> SplitRecipients(std::u16string_view recipients);

// At most this many files go in one message.
constexpr int EMAIL_ATTACHMENT_LIMIT = 10;
