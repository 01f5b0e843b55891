#pragma once
// Targets: the inputs of a run. An image-file target names a source file, loads its bitmap on
// first use (every action of a stack then works on the same bitmap) and writes it out with
// SaveAs. Reference counted; a target belongs to one run at a time and is touched only by that
// run's thread.

#include "engine/PropertyObject.h"
#include "platform/imaging/ImageBitmap.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CActionTarget : public CPropertyObject {
public:
    virtual int GetTargetType() const = 0;
    virtual bool IsValid() const { return IsValidTarget(); }
    // Writes the target to `path` as `imageType`; a result code.
    virtual int SaveAs(std::u16string_view path, int imageType, int quality) = 0;
    virtual std::u16string GetDisplayName() const = 0;
    virtual bool IsValidTarget() const = 0;

    // 1-based position in the batch being run, set just before the target runs; 0 until then.
    int GetIndex() const { return m_index; }
    void SetIndex(int index) { m_index = index; }

protected:
    ~CActionTarget() override = default;

private:
    int m_index = 0;
};

class CFileTarget : public CActionTarget {
public:
    // Records `path` as the output path; 0. The type and quality are not looked at.
    int SaveAs(std::u16string_view path, int imageType, int quality) override;
    // The file-name part of the source path (after the last '/' or '\', or a drive colon).
    std::u16string GetDisplayName() const override;
    // Appends the types the target can be written as; returns the array's size. The base adds
    // "unknown" only to an empty array.
    virtual int GetSupportedTypes(std::vector<int>& types) const;
    virtual int GetOriginalType() const { return m_originalType; }

    void SetOriginalType(int type) { m_originalType = type; }
    void SetSourcePath(std::u16string_view path) { m_sourcePath = path; }
    std::u16string GetSourcePath() const { return m_sourcePath; }
    std::u16string GetOutputPath() const { return m_outputPath; }
    // Where the target's current file is: the last saved path, else the source.
    std::u16string GetOutputOrSourcePath() const { return m_outputPath.empty() ? m_sourcePath : m_outputPath; }

protected:
    ~CFileTarget() override = default;
    void SetOutputPath(std::u16string_view path) { m_outputPath = path; }

private:
    int m_originalType = 0;
    std::u16string m_sourcePath;
    std::u16string m_outputPath;
};

class CImageFileTarget : public CFileTarget {
public:
    CImageFileTarget() = default;
    // A target for `sourcePath` whose original type comes from the extension.
    explicit CImageFileTarget(std::u16string_view sourcePath);

    int GetTargetType() const override;
    bool IsValidTarget() const override { return true; }
    // 8 for a type that cannot be written (0, 1, others), 9 when there is no image, 10 when the
    // write fails (an existing file is then left as it was), 0 after recording the output path.
    int SaveAs(std::u16string_view path, int imageType, int quality) override;
    // Appends BMP, JPEG, PNG and GIF, whatever the array held.
    int GetSupportedTypes(std::vector<int>& types) const override;

    // Loads the source file on first use; null when it cannot be loaded (the next call tries
    // again). The target keeps ownership.
    ImageBitmap* GetBitmap();
    // Replaces the image (actions that build a new picture hand it over this way).
    void SetBitmap(std::unique_ptr<ImageBitmap> bitmap) { m_bitmap = std::move(bitmap); }

protected:
    ~CImageFileTarget() override = default;

private:
    std::unique_ptr<ImageBitmap> m_bitmap;
};

// The image type of a file name's extension, without case: jpg/jpeg 2, png 3, gif 4, bmp 5,
// anything else (or none) 0.
int ImageTypeFromExtension(std::u16string_view path);
