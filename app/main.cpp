// Glyphforge: the lettering designer.

#include "app/MainForm.h"
#include "app/Modules.h"

#include "backends/DirectXModule.h"

#include "platform/rtl/Component.h"
#include "platform/ui/Application.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/NativeApplication.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv)
{
    platform::ui::NativeStart start = platform::ui::StartNativeApplication("Glyphforge");
    if (!start.application) {
        std::fprintf(stderr, "Glyphforge cannot start: %s\n", start.error.c_str());
        return 1;
    }
    platform::ui::Application& application = *start.application;
    application.SetOnException([](const std::string& message) {
        platform::ui::Dialogs::ShowError(message);
    });

    StartModules();
    RegisterAppClasses();
    int result = 0;
    if (!hvDirect3D) {
        const std::string message = "Glyphforge needs OpenGL through EGL to show its 3D view, and none is "
                                    "available on this display. Install the Mesa EGL and OpenGL drivers "
                                    "(libegl1, libgl1-mesa-dri) and start it again.";
        std::fprintf(stderr, "%s\n", message.c_str());
        platform::ui::Dialogs::ShowError(message);
        result = 2;
    } else {
        try {
            rtl::TOwned<TfrmMain> form(TfrmMain::Create(nullptr));
            form->SetMainForm(true);
            form->Show();
            if (argc > 1)
                form->OpenDesign(argv[1]);
            application.Run();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "Glyphforge stopped: %s\n", e.what());
            platform::ui::Dialogs::ShowError(std::string("Glyphforge stopped: ") + e.what());
            result = 1;
        }
    }
    StopModules();
    return result;
}
