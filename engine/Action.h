#pragma once
// Actions: the steps of a stack. In-process actions change one target at a time while a batch
// walks its targets; post-process actions only collect the targets then and do their work once
// at the end (PostProcess). Every action is reference counted; a new one holds its creator's
// reference. Work routines return result codes (ResultCodes.h) and never throw.

#include "engine/ActionTarget.h"
#include "engine/PropertyObject.h"
#include "platform/user/Messages.h"

#include <string>
#include <vector>

class CActionStack;
class CActionTarget;
class CFileTarget;
class CImageFileTarget;
class TvXml;
struct ImageBitmap;

// The one kind of target there is: image files.
constexpr int TARGET_TYPE_IMAGE_FILE = 1;

class CAction : public CPropertyObject {
public:
    CAction();

    virtual std::u16string GetId() const { return m_id; }
    virtual std::u16string GetTypeKey() const = 0;
    // Logs the dialog's outcome around ShowPropertyDialog; true when the user accepted.
    virtual bool EditProperties(int targetKind, HWND parent);
    virtual int Run(CActionTarget* target) { return Process(target); }
    virtual std::u16string GetName() const = 0;
    virtual std::u16string GetDescription() const = 0;
    // What the action produced in the last run (a folder or an archive); empty for most.
    virtual std::u16string GetOutputPath() const { return std::u16string(); }
    virtual BOOL IsPostProcess() const { return FALSE; }
    // Appends one text per problem in the settings; false when there is any.
    virtual bool Validate(std::vector<std::u16string>& problems);
    virtual void PrepareForBatch() { }
    // The size this action will ask a target's bitmap for, as a rule over the source's size;
    // empty when it wants the whole picture.
    virtual CImageFileTarget::LoadSizeRule GetLoadSizeRule() { return {}; }
    // The texts a property takes when it is a choice among a few; empty when any value of the
    // property's kind will do (a whole number, a number, a text: the kind of its default).
    virtual std::vector<std::u16string> GetAcceptedValues(std::u16string_view) const { return {}; }
    // Runs the action's property dialog; true when the user accepted and the values were stored.
    virtual bool ShowPropertyDialog(int targetKind, HWND parent) = 0;
    virtual int Process(CActionTarget* target) = 0;

    // The action as a ".stack" element: tag "action", one attribute "type" with the type key, one
    // child per property in map order. Rebuilt only when a property was set since the last save
    // (or it has no children yet). The element stays the action's own: callers may attach it to
    // a document but never delete it.
    virtual TvXml* SaveToXml();
    // Takes the text of the first child named after each property the action already has;
    // unknown children are ignored, missing ones leave the value as it is. Neither the change
    // hook nor the dirty flag is touched. Always true.
    virtual bool LoadFromXml(TvXml* element);

    // GetOutputPath of the action right before this one in its stack; empty when there is none.
    std::u16string GetPreviousOutputPath() const;

    // The stack that inserted this action last; not counted (the stack clears it when it dies).
    CActionStack* GetStack() const { return m_pStack; }
    void SetStack(CActionStack* stack) { m_pStack = stack; }

protected:
    ~CAction() override;

private:
    CActionStack* m_pStack = nullptr;
    std::u16string m_id;
    TvXml* m_pXml = nullptr; // made by the first SaveToXml
};

// The in-process image actions. Helpers for the common shape of their Process.
class CActionImage : public CAction {
public:
    // The first steps of every image action's work: a target of another kind gives 1, an image
    // that does not load gives 2; 0 fills both outputs.
    static int GetImageTarget(CActionTarget* target, CImageFileTarget*& imageTarget, ImageBitmap*& bitmap);
    // The same for an action that only needs the pixels.
    static int GetImageTarget(CActionTarget* target, ImageBitmap*& bitmap);
    // The target as an image-file target, without loading it; null for a target of another kind.
    static CImageFileTarget* AsImageTarget(CActionTarget* target);

protected:
    ~CActionImage() override = default;
    // Logs "<name>: <failure>: <imaging code>" and returns 15; `failure` starts with "Failed to".
    int FailImageOperation(std::u16string_view failure, int imagingCode) const;
    // Logs "<name>: Failed with error <imaging code>" and returns 15.
    int FailWithError(int imagingCode) const;
};

// Collects the file targets that reach it during a batch; PostProcess does the work once after
// the last target. The collected targets are held by reference until ClearCollected.
class CPostProcessAction : public CAction {
public:
    BOOL IsPostProcess() const override { return TRUE; }
    void PrepareForBatch() override { ClearCollected(); }
    // Collects file targets, ignores others; always 0.
    int Process(CActionTarget* target) override;
    virtual int PostProcess() = 0;
    virtual void ClearCollected();

    const std::vector<CFileTarget*>& GetCollected() const { return m_collected; }

protected:
    ~CPostProcessAction() override;

private:
    std::vector<CFileTarget*> m_collected;
};
