#pragma once

#include <memory>
#include <string>

class TwzImage;
class TwzBitmap;
struct TwzFilterClass;

/// Where a picture load delivers its result: a plain link to the target image. Only the GUI
/// thread reads or writes `image`; whoever holds the image clears the link when the image
/// goes, so a load that ends later finds nothing to deliver to. Workers only keep the
/// target alive through their shared reference.
struct TwzImageLoadTarget {
    TwzImage* image = nullptr;
};

/// Decodes one picture file on a worker thread (idle priority, 4 MiB stack) and hands the
/// picture to the target image on the GUI thread. The worker reads no GUI object: the fit
/// size of a thumbnail is the target image's size when the load starts. A file that does not
/// decode leaves the image as it is; nothing is reported. A load is never cancelled; at
/// shut-down the application drops the hand-overs still pending and waits for the workers.
class TwzImageThread {
public:
    /// GUI thread. Starts the load of `fileName` into `target`'s image, reduced to the
    /// image's size when `useThumbnail` (an embedded thumbnail serves when the file has
    /// one). False, and nothing started, without an image, an image codec, an application
    /// to hand the picture to, or a thread.
    static bool Start(
        std::shared_ptr<TwzImageLoadTarget> target, const std::string& fileName, bool useThumbnail);

    TwzImageThread(const TwzImageThread&) = delete;
    TwzImageThread& operator=(const TwzImageThread&) = delete;
    ~TwzImageThread();

private:
    TwzImageThread() = default;

    /// The worker's part: decode, then post the hand-over.
    void Execute();

    std::shared_ptr<TwzImageLoadTarget> m_target;
    std::string m_fileName;
    bool m_useThumbnail = true;
    float m_fitWidth = 0;
    float m_fitHeight = 0;
    const TwzFilterClass* m_filterClass = nullptr;
};
