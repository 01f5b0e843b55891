#include "postprocess/ActionEmail.h"

#include "components/foundation/TvString.h"
#include "components/mail/TvMailMan.h"
#include "engine/ActionStack.h"
#include "engine/LogFile.h"
#include "engine/ResultCodes.h"
#include "engine/TextHelpers.h"
#include "engine/ToTvString.h"
#include "postprocess/PostProcessDialogs.h"
#include "postprocess/PostProcessOutput.h"
#include "resources/MessageBox.h"
#include "resources/StringTable.h"

#include <algorithm>

namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string trimmed(std::u16string_view text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return std::u16string(text.substr(first, last - first));
}

std::u16string mailErrorText(TvMailMan& mailer)
{
    TvString text;
    mailer.GetLastErrorText(text);
    return SingleLineText(FromTvString(text));
}

// The files to attach, as the output selection gives them: every file below a previous output
// folder, a previous output file alone, or each collected output file.
std::vector<std::u16string> attachmentPaths(const CPostProcessAction& action)
{
    PostProcessOutput output = SelectPostProcessOutput(action);
    switch (output.kind) {
    case PostProcessOutput::PREVIOUS_FOLDER: {
        std::vector<std::u16string> files;
        CollectFolderFiles(output.path, files);
        return files;
    }
    case PostProcessOutput::PREVIOUS_FILE:
        return { output.path };
    case PostProcessOutput::COLLECTED_FILES:
        break;
    }
    return output.files;
}

}

std::vector<std::u16string> SplitRecipients(std::u16string_view recipients)
{
    std::vector<std::u16string> pieces;
    SplitString(recipients, u";", pieces, false);
    std::vector<std::u16string> addresses;
    for (const std::u16string& piece : pieces) {
        std::u16string address = trimmed(piece);
        if (!address.empty())
            addresses.push_back(std::move(address));
    }
    return addresses;
}

CActionEmail::CActionEmail()
{
    SetPropertyString(u"smtp_host", u"");
    SetPropertyInt(u"smtp_port", 25);
    SetPropertyString(u"smtp_user", u"");
    SetPropertyString(u"smtp_Pass", u"");
    SetPropertyInt(u"auth", 0);
    SetPropertyString(u"email_subject", u"Vornalt Has Sent You A Message");
    SetPropertyString(u"email_message", u"This email was generated using Vornalt");
    SetPropertyString(u"from_address", u"");
    SetPropertyString(u"recipients", u"");
}

std::u16string CActionEmail::GetName() const { return LoadStringText(263); }
std::u16string CActionEmail::GetDescription() const { return LoadStringText(237); }

// In the order the property dialog exchanges them.
EmailDialogValues CActionEmail::readSettings()
{
    EmailDialogValues values;
    GetPropertyString(u"smtp_host", values.smtpHost);
    GetPropertyInt(u"smtp_port", values.smtpPort);
    GetPropertyString(u"smtp_user", values.smtpUser);
    GetPropertyString(u"smtp_Pass", values.smtpPassword);
    GetPropertyInt(u"auth", values.auth);
    GetPropertyString(u"from_address", values.fromAddress);
    GetPropertyString(u"recipients", values.recipients);
    GetPropertyString(u"email_subject", values.subject);
    GetPropertyString(u"email_message", values.message);
    return values;
}

void CActionEmail::writeSettings(const EmailDialogValues& values)
{
    SetPropertyString(u"smtp_host", values.smtpHost);
    SetPropertyInt(u"smtp_port", values.smtpPort);
    SetPropertyString(u"smtp_user", values.smtpUser);
    SetPropertyString(u"smtp_Pass", values.smtpPassword);
    SetPropertyInt(u"auth", values.auth);
    SetPropertyString(u"from_address", values.fromAddress);
    SetPropertyString(u"recipients", values.recipients);
    SetPropertyString(u"email_subject", values.subject);
    SetPropertyString(u"email_message", values.message);
}

bool CActionEmail::Validate(std::vector<std::u16string>& problems)
{
    EmailDialogValues s = readSettings();
    return AppendValidationProblems(
        {
            { s.auth != 0 && (s.smtpUser.empty() || s.smtpPassword.empty()), 267 },
            { s.smtpPort == 0, 268 },
            { s.smtpHost.empty(), 269 },
            { s.fromAddress.empty(), 266 },
            { s.recipients.empty(), 265 },
            { s.subject.empty(), 271 },
        },
        problems);
}

bool CActionEmail::ShowPropertyDialog(int, HWND)
{
    EmailDialogValues values = readSettings();
    if (GetPostProcessPropertyDialogs().RunEmailDialog(values) != IDOK)
        return false;
    writeSettings(values);
    return true;
}

int CActionEmail::PostProcess()
{
    if (GetStack() && GetStack()->IsPreview())
        return RESULT_SUCCESS;
    const std::u16string name = GetName();

    const EmailDialogValues settings = readSettings();
    std::vector<std::u16string> recipients = SplitRecipients(settings.recipients);
    if (recipients.empty()) {
        LogError(u"%s: %s", name, ErrorCodeText(RESULT_NO_EMAIL_RECIPIENTS));
        return RESULT_NO_EMAIL_RECIPIENTS;
    }

    std::vector<std::u16string> attachments = attachmentPaths(*this);
    if (int(attachments.size()) > EMAIL_ATTACHMENT_LIMIT) {
        LogError(u"%s: %s (%d files to attach, at most %d go in one message)", name,
            ErrorCodeText(RESULT_TOO_MANY_FILES), int(attachments.size()), EMAIL_ATTACHMENT_LIMIT);
        return RESULT_TOO_MANY_FILES;
    }

    TvMailMan mailer;
    mailer.SetSmtpHost(ToAnsiText(settings.smtpHost).c_str());
    mailer.SetSmtpPort(settings.smtpPort);
    if (settings.auth != 0) {
        mailer.SetSmtpUsername(ToAnsiText(settings.smtpUser).c_str());
        mailer.SetSmtpPassword(ToAnsiText(settings.smtpPassword).c_str());
    }

    TvEmail email;
    email.SetBody(ToAnsiText(settings.message).c_str());
    int addressed = 0;
    for (const std::u16string& recipient : recipients) {
        // A line break would let one piece name further addresses of its own.
        bool plain = std::none_of(recipient.begin(), recipient.end(), [](char16_t c) { return c < 0x20 && c != u'\t'; });
        if (plain && email.AddTo("", ToAnsiText(recipient).c_str()))
            ++addressed;
        else
            LogError(u"%s: Unable to add the recipient %s", name, recipient);
    }
    if (addressed == 0) {
        LogError(u"%s: %s", name, ErrorCodeText(RESULT_NO_EMAIL_RECIPIENTS));
        return RESULT_NO_EMAIL_RECIPIENTS;
    }
    // A file that cannot be read is left out; the others still go.
    for (const std::u16string& path : attachments) {
        if (!email.AddFileAttachment(ToAnsiText(path).c_str()))
            LogError(u"%s: Unable to attach %s; the message is sent without it", name, path);
    }
    email.SetFrom(ToAnsiText(settings.fromAddress).c_str());
    email.SetSubject(ToAnsiText(settings.subject).c_str());

    if (!mailer.SendEmail(&email)) {
        LogError(u"%s: Unable to send email: email error information follows: %s", name, mailErrorText(mailer));
        return RESULT_UNABLE_TO_SEND_MAIL;
    }
    return RESULT_SUCCESS;
}
