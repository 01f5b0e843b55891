#pragma once
// Stand-ins for registered action classes that this build does not contain: they carry the
// class's key and names, so their ".stack" elements load and save, and their work fails with
// code 11 and one log line naming the action.

#include "engine/Action.h"

struct ActionIdentity {
    const char16_t* typeKey;
    UINT nameId;
    UINT descriptionId;
};

class CUnbuiltImageAction : public CActionImage {
public:
    explicit CUnbuiltImageAction(const ActionIdentity& identity)
        : m_identity(identity)
    {
    }
    std::u16string GetTypeKey() const override { return m_identity.typeKey; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool ShowPropertyDialog(int, HWND) override { return false; }
    int Process(CActionTarget* target) override;

protected:
    ~CUnbuiltImageAction() override = default;

private:
    ActionIdentity m_identity;
};

class CUnbuiltPostProcessAction : public CPostProcessAction {
public:
    explicit CUnbuiltPostProcessAction(const ActionIdentity& identity)
        : m_identity(identity)
    {
    }
    std::u16string GetTypeKey() const override { return m_identity.typeKey; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool ShowPropertyDialog(int, HWND) override { return false; }
    int PostProcess() override;

protected:
    ~CUnbuiltPostProcessAction() override = default;

private:
    ActionIdentity m_identity;
};
