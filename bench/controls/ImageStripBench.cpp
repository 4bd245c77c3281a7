// The picture strip filled with camera photographs (4000 x 3000 JPEG at quality 90): the
// time from adding the files until every item shows its thumbnail, the GUI thread
// turning its loop meanwhile. Arguments: the number of cores the process may use (the workers
// inherit the GUI thread's cores; 0 stands for all of them) and the number of photographs.
// The workers run at idle priority: on a machine busy with other work they wait for it, so
// figures are only meaningful on an otherwise quiet machine.

#include "controls/Controls.h"
#include "controls/TwzImageListBox.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzFilterGdiPlus.h"
#include "platform/rtl/Component.h"
#include "platform/ui/FakeApplication.h"
#include "platform/ui/Window.h"
#include "platform/ui/Worker.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzImage.h"
#include "ui2d/TwzScene.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sched.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int kMaxPhotos = 200;
constexpr int32_t kSceneWidth = 2000;
constexpr int32_t kSceneHeight = 1000;

/// A photo-like picture: smooth colour fields with noise, about as hard to decode as a photo.
void PaintPhoto(TwzBitmap& picture)
{
    uint32_t noise = 2463534242u;
    const int32_t width = picture.GetWidth();
    const int32_t height = picture.GetHeight();
    for (int32_t y = 0; y < height; ++y) {
        uint32_t* row = picture.GetScanline(y);
        for (int32_t x = 0; x < width; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const uint32_t n = noise & 15;
            const uint32_t r = uint32_t(x * 240 / width) + n;
            const uint32_t g = uint32_t(y * 240 / height) + n;
            const uint32_t b = uint32_t((x + y) * 120 / (width + height)) + n;
            row[x] = 0xFF000000u | r << 16 | g << 8 | b;
        }
    }
}

/// A folder of kMaxPhotos names for one encoded photograph, removed when the program ends.
class PhotoFolder {
public:
    PhotoFolder()
        : m_path(fs::temp_directory_path() / ("glyphforge-strip-bench-" + std::to_string(::getpid())))
    {
        fs::create_directories(m_path);
        TwzBitmap photo(4000, 3000);
        PaintPhoto(photo);
        const fs::path first = m_path / "photo000.jpg";
        TwzFilterGdiPlus().SaveToFile(first.string(), photo, "quality=90");
        for (int i = 1; i < kMaxPhotos; ++i) {
            const std::string digits = std::to_string(1000 + i).substr(1);
            fs::copy_file(first, m_path / ("photo" + digits + ".jpg"));
        }
    }
    ~PhotoFolder()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    std::string Path() const { return m_path.string(); }

private:
    fs::path m_path;
};

const PhotoFolder& Photos()
{
    static const PhotoFolder folder;
    return folder;
}

/// Limits this thread (and the threads it starts) to the first `cores` processors; 0 leaves
/// all of them. Restores the previous set when it goes.
class CoreLimit {
public:
    explicit CoreLimit(int cores)
    {
        sched_getaffinity(0, sizeof(m_saved), &m_saved);
        if (cores <= 0)
            return;
        cpu_set_t limited;
        CPU_ZERO(&limited);
        int added = 0;
        for (int cpu = 0; cpu < CPU_SETSIZE && added < cores; ++cpu) {
            if (CPU_ISSET(cpu, &m_saved)) {
                CPU_SET(cpu, &limited);
                ++added;
            }
        }
        sched_setaffinity(0, sizeof(limited), &limited);
    }
    ~CoreLimit() { sched_setaffinity(0, sizeof(m_saved), &m_saved); }

private:
    cpu_set_t m_saved;
};

void BM_StripThumbnails(benchmark::State& state)
{
    const std::string folder = Photos().Path();
    Initialize2DLibrary();
    RegisterControls();
    const CoreLimit limit(int(state.range(0)));
    const int photos = int(std::min<int64_t>(state.range(1), kMaxPhotos));
    for (auto _ : state) {
        platform::ui::FakeApplication app;
        platform::ui::FormOptions options;
        options.clientWidth = kSceneWidth;
        options.clientHeight = kSceneHeight;
        std::unique_ptr<platform::ui::Form> form = app.CreateForm(options);
        rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));
        auto* scene = new TwzScene(owner.get());
        scene->SetBounds(0, 0, kSceneWidth, kSceneHeight);
        auto* strip = new TwzImageListBox(owner.get());
        scene->AddObject(strip);
        strip->SetAlign(vaClient);
        strip->SetItemHeight(80);
        strip->TwzListBox::SetItemWidth(95); // 21 columns of 12 rows: every item in view
        scene->SetParentForm(form.get());
        form->Show();
        app.ProcessMessages();

        for (int i = 0; i < photos; ++i)
            strip->AddFile(folder + "/photo" + std::to_string(1000 + i).substr(1) + ".jpg");
        int shown = 0;
        int turns = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
        while (shown < strip->Count()) {
            if (std::chrono::steady_clock::now() > deadline) {
                state.SkipWithError("the thumbnails did not all arrive within five minutes");
                break;
            }
            app.ProcessMessages();
            ++turns;
            shown = 0;
            for (int32_t i = 0; i < strip->Count(); ++i) {
                auto* item = dynamic_cast<TwzImageListBoxItem*>(strip->ItemByIndex(i));
                shown += item && item->GetImage() && item->GetImage()->GetBitmap()->GetWidth() > 1 ? 1 : 0;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        state.counters["items"] = double(shown);
        state.counters["gui_turns"] = double(turns);

        state.PauseTiming();
        platform::ui::WaitForWorkers();
        rtl::FreeAndNil(scene);
        form.reset();
        owner.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StripThumbnails)
    ->Args({ 1, kMaxPhotos })
    ->Args({ 0, kMaxPhotos })
    ->Args({ 1, 20 })
    ->Args({ 0, 20 })
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
