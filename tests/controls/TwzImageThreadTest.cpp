// Picture loads on worker threads: the picture reaches its image on the GUI thread, fitted
// when a thumbnail is asked for; a target that went meanwhile gets nothing; a file that does
// not decode changes nothing; shut-down drops what is still to be handed over.

#include "ControlsTest.h"

#include "controls/TwzImageThread.h"
#include "platform/ui/Worker.h"
#include "ui2d/TwzImage.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace controlstest;

namespace {

namespace fs = std::filesystem;

fs::path FreshFolder(const std::string& name)
{
    const fs::path dir = fs::path(GF_TEST_OUTPUT) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::string SavePicture(const fs::path& file, int32_t width, int32_t height)
{
    TwzBitmap picture(width, height);
    picture.Clear(0xFF3366CC);
    picture.SaveToFile(file.string());
    return file.string();
}

// Records the thread every change of an image's bitmap runs on.
class TThreadProbe : public rtl::TObject {
public:
    void Changed(rtl::TObject*) { threads.push_back(std::this_thread::get_id()); }
    std::vector<std::thread::id> threads;
};

} // namespace

class ImageThread : public ControlsTest {
protected:
    TwzImage* AddImage(float width, float height)
    {
        auto* image = new TwzImage(form.get());
        image->SetBounds(0, 0, width, height);
        image->SetParent(root);
        return image;
    }

    /// Waits until every worker has returned, then runs the hand-overs they posted.
    void FinishLoads()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (platform::ui::RunningWorkers() > 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(platform::ui::RunningWorkers(), 0);
        app->ProcessMessages();
    }
};

TEST_F(ImageThread, PicturesArriveOnTheGuiThreadFittedWhenThumbnailsAreAsked)
{
    const fs::path dir = FreshFolder("image-thread-arrive");
    const std::string wide = SavePicture(dir / "wide.png", 200, 100);
    const std::string tall = SavePicture(dir / "tall.jpg", 30, 90);
    TThreadProbe probe;
    struct Load {
        std::string file;
        bool thumbnail;
        int32_t width, height;
    };
    const Load loads[] = {
        { wide, true, 50, 25 },
        { wide, false, 200, 100 },
        { tall, true, 10, 30 },
        { tall, false, 30, 90 },
    };
    std::vector<std::shared_ptr<TwzImageLoadTarget>> targets;
    for (const Load& load : loads) {
        TwzImage* image = AddImage(50, 30);
        image->GetBitmap()->OnChange.Bind<&TThreadProbe::Changed>(&probe);
        targets.push_back(std::make_shared<TwzImageLoadTarget>(TwzImageLoadTarget { image }));
        ASSERT_TRUE(TwzImageThread::Start(targets.back(), load.file, load.thumbnail));
        image->SetBounds(0, 0, 500, 500); // too late: the fit was taken at the start
    }
    EXPECT_TRUE(probe.threads.empty()) << "nothing arrives before the GUI loop runs";
    FinishLoads();
    ASSERT_EQ(probe.threads.size(), std::size(loads));
    for (const std::thread::id id : probe.threads)
        EXPECT_EQ(id, std::this_thread::get_id());
    for (size_t i = 0; i < std::size(loads); ++i) {
        SCOPED_TRACE(loads[i].file + (loads[i].thumbnail ? " as a thumbnail" : ""));
        EXPECT_EQ(targets[i]->image->GetBitmap()->GetWidth(), loads[i].width);
        EXPECT_EQ(targets[i]->image->GetBitmap()->GetHeight(), loads[i].height);
    }
}

TEST_F(ImageThread, ATargetThatWentOrAFileThatDoesNotDecodeGetsNothing)
{
    const fs::path dir = FreshFolder("image-thread-gone");
    const std::string png = SavePicture(dir / "gone.png", 64, 64);
    const std::string broken = (dir / "broken.png").string();
    std::ofstream(broken) << "\x89PNG but nothing more";

    TwzImage* doomed = AddImage(40, 40);
    auto gone = std::make_shared<TwzImageLoadTarget>(TwzImageLoadTarget { doomed });
    ASSERT_TRUE(TwzImageThread::Start(gone, png, true));
    // The holder forgets the image as it frees it, while the load may still run.
    gone->image = nullptr;
    doomed->Free();

    TwzImage* kept = AddImage(40, 40);
    auto undecodable = std::make_shared<TwzImageLoadTarget>(TwzImageLoadTarget { kept });
    ASSERT_TRUE(TwzImageThread::Start(undecodable, broken, true));
    auto missing = std::make_shared<TwzImageLoadTarget>(TwzImageLoadTarget { kept });
    ASSERT_TRUE(TwzImageThread::Start(missing, (dir / "missing.png").string(), false));
    FinishLoads();
    EXPECT_EQ(kept->GetBitmap()->GetWidth(), 1);
    EXPECT_EQ(kept->GetBitmap()->GetHeight(), 1);

    EXPECT_FALSE(TwzImageThread::Start(nullptr, png, true));
    EXPECT_FALSE(TwzImageThread::Start(gone, png, true)) << "no image to load into";
}

TEST_F(ImageThread, ShutDownDropsTheHandOversOfWorkersStillRunning)
{
    const fs::path dir = FreshFolder("image-thread-shutdown");
    const std::string png = SavePicture(dir / "big.png", 400, 300);
    std::vector<std::shared_ptr<TwzImageLoadTarget>> targets;
    for (int i = 0; i < 12; ++i) {
        targets.push_back(std::make_shared<TwzImageLoadTarget>(TwzImageLoadTarget { AddImage(60, 60) }));
        ASSERT_TRUE(TwzImageThread::Start(targets.back(), png, i % 2 == 0));
    }
    // What the application's shut-down does, with the images still alive.
    app->BeginShutdown();
    platform::ui::WaitForWorkers();
    app->ProcessMessages();
    for (const auto& target : targets)
        EXPECT_EQ(target->image->GetBitmap()->GetWidth(), 1);
}
