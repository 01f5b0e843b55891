#pragma once
// Targets: the inputs of a run. An image-file target names a source file, loads its bitmap on
// first use (every action of a stack then works on the same bitmap) and writes it out with
// SaveAs. Reference counted; a target belongs to one run at a time and is touched only by that
// run's thread.

#include "engine/PropertyObject.h"
#include "platform/imaging/ImageBitmap.h"

#include <functional>
#include <future>
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
    // Frees the image, and a prefetched one nobody took, once a batch is done with the target
    // (after its "target ends"), so a batch holds one picture at a time rather than all of them;
    // a later GetBitmap loads the source file again. Waits for a prefetch still running.
    void ReleaseBitmap();

    // The picture's visible size as the first action will see it, without decoding a JPEG file
    // that is not loaded yet (its header tells); anything else is loaded by GetBitmap. False
    // when it cannot be loaded.
    bool GetSourceSize(long& width, long& height);
    // GetBitmap for an action that resizes the picture to width x height at once: a JPEG file
    // not loaded yet is decoded at a reduced scale that keeps at least twice that size. A bitmap
    // already loaded comes back as it is.
    ImageBitmap* GetBitmapForSize(int width, int height);

    // The size a first resize will ask GetBitmapForSize for, from the source's size; false
    // when the picture should be loaded whole.
    using LoadSizeRule = std::function<bool(long sourceWidth, long sourceHeight, int& width, int& height)>;
    // Starts loading the source file on another thread, for the GetBitmap or GetBitmapForSize
    // that comes next; with a rule, a JPEG file is loaded reduced for the size it gives. A
    // failed or unsuitable prefetch is dropped and the load done again as usual, so the results
    // and the log are those of a target that was never prefetched.
    void Prefetch(LoadSizeRule rule);
    // Drops a prefetch not taken yet (waiting for it when it still runs).
    void DropPrefetch() { m_prefetch = {}; }
    // Whether a prefetch is running or waits to be taken.
    bool HasPrefetch() const { return m_prefetch.valid(); }

protected:
    ~CImageFileTarget() override = default;

private:
    struct PrefetchedBitmap {
        std::unique_ptr<ImageBitmap> bitmap;  // null when the load failed
        int width = 0;                        // the size it was reduced for; 0 x 0 whole
        int height = 0;
        bool jpeg = false;                    // only a JPEG decode depends on the size asked for
        std::string fileStamp;                // the source file as it was read (see sourceFileStamp)
        std::string warning;                  // the decoder's words about damage it read past
    };
    // The prefetched bitmap when it is there and suits a request for width x height (0 x 0: a
    // whole picture), with the load's warning; waits for a load still running.
    std::unique_ptr<ImageBitmap> takePrefetched(int width, int height, std::string& warning);
    ImageBitmap* load(int width, int height);

    std::unique_ptr<ImageBitmap> m_bitmap;
    std::future<PrefetchedBitmap> m_prefetch;
};

// The image type of a file name's extension, without case: jpg/jpeg 2, png 3, gif 4, bmp 5,
// anything else (or none) 0.
int ImageTypeFromExtension(std::u16string_view path);
