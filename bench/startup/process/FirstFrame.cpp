// A process that starts the modules the way the program does, renders one frame of the
// lettering scene in a 715 x 660 view and exits: its whole run is the cost of starting up
// (StartupBench.cpp times it from outside, as hyperfine does).
//
//   first_frame                                  start, one frame, stop
//   first_frame --export FILE [SCALE [W H [BG [N]]]]
//                                                and the lettering exported at W x H (1920 x
//                                                1080) with supersampling SCALE (6) over the
//                                                ARGB background BG (0, transparent) to FILE;
//                                                with N, showing N characters of running text
//
// Exit code 0 when the frame shows the lettering, 2 without OpenGL, 3 for an empty frame, 4
// when the export fails.

#include "app/Modules.h"
#include "backends/DirectXModule.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvScene.h"

#include "graphics/TwzBitmap.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Numbers.h"

#include "tests/support/LetteringScene.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>

namespace {

struct ExportRequest {
    std::string file;
    int32_t scale = 6;
    int32_t width = 1920;
    int32_t height = 1080;
    uint32_t background = 0;
    size_t characters = 0;
};

int32_t IntArgument(const char* text, int32_t fallback)
{
    return static_cast<int32_t>(rtl::TryStrToInt64(text).value_or(fallback));
}

int Run(const std::optional<ExportRequest>& request)
{
    StartModules();
    if (!hvDirect3D) {
        StopModules();
        return 2;
    }
    int result = 0;
    {
        rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));
        auto* scene = new ThvScene(owner.get());
        scene->SetSize(715, 660);
        auto window = std::make_unique<ThvBitmap>(715, 660);
        scene->SetCanvas(window->GetCanvas());
        const lettering::LetteringScene built = lettering::BuildLetteringScene(*scene, owner.get());
        if (request && request->characters > 0)
            lettering::ShowRunningText(built, request->characters);
        scene->Render();
        // The text's front colour must reach the middle of the view.
        bool shown = false;
        for (int32_t x = 250; x < 465 && !shown; ++x) {
            const uint32_t p = window->Bits()[static_cast<size_t>(330) * 715 + static_cast<size_t>(x)];
            shown = ((p >> 16) & 0xFF) > 2 * ((p >> 8) & 0xFF) && ((p >> 16) & 0xFF) > 64;
        }
        if (!shown)
            result = 3;
        if (request && result == 0) {
            TwzBitmap picture(1, 1);
            if (!built.container->MakeScreenshot(
                    &picture, request->width, request->height, request->background, request->scale))
                result = 4;
            try {
                picture.SaveToFile(request->file);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s\n", e.what());
                result = 4;
            }
        }
        scene->SetCanvas(nullptr);
        owner.reset();
    }
    StopModules();
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    std::optional<ExportRequest> request;
    if (argc >= 3 && std::string(argv[1]) == "--export") {
        request.emplace();
        request->file = argv[2];
        if (argc >= 4)
            request->scale = IntArgument(argv[3], 6);
        if (argc >= 6) {
            request->width = IntArgument(argv[4], 1920);
            request->height = IntArgument(argv[5], 1080);
        }
        if (argc >= 7)
            request->background = static_cast<uint32_t>(rtl::TryStrToInt64(argv[6]).value_or(0));
        if (argc >= 8)
            request->characters
                = static_cast<size_t>(std::clamp<int64_t>(IntArgument(argv[7], 0), 0, 100000));
    } else if (argc > 1) {
        std::fprintf(
            stderr, "usage: %s [--export FILE [SCALE [WIDTH HEIGHT [BACKGROUND [CHARACTERS]]]]]\n", argv[0]);
        return 1;
    }
    return Run(request);
}
