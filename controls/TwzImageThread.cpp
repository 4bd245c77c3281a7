#include "controls/TwzImageThread.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzFilter.h"
#include "platform/ui/Application.h"
#include "platform/ui/Worker.h"
#include "ui2d/TwzImage.h"

#include <exception>

TwzImageThread::~TwzImageThread() = default;

bool TwzImageThread::Start(
    std::shared_ptr<TwzImageLoadTarget> target, const std::string& fileName, bool useThumbnail)
{
    if (!target || !target->image || !DefaultFilterClass || !platform::ui::Application::TryCurrent())
        return false;
    auto thread = std::unique_ptr<TwzImageThread>(new TwzImageThread());
    thread->m_fitWidth = target->image->GetWidth();
    thread->m_fitHeight = target->image->GetHeight();
    thread->m_target = std::move(target);
    thread->m_fileName = fileName;
    thread->m_useThumbnail = useThumbnail;
    // The class value is a constant of the codec, still valid when the 2D library has shut
    // down while the worker runs.
    thread->m_filterClass = DefaultFilterClass;
    return platform::ui::StartWorker([thread = std::move(thread)] { thread->Execute(); });
}

void TwzImageThread::Execute()
{
    auto bitmap = std::make_unique<TwzBitmap>(0, 0);
    bool loaded = false;
    try {
        if (std::unique_ptr<TwzFilter> filter = m_filterClass->Create()) {
            loaded = m_useThumbnail
                ? filter->LoadThumbnailFromFile(m_fileName, m_fitWidth, m_fitHeight, true, *bitmap)
                : filter->LoadFromFile(m_fileName, 0, *bitmap);
        }
    } catch (const std::exception&) {
        // A picture the codec or the memory refuses is one that did not decode.
        loaded = false;
    }
    if (!loaded)
        return;
    platform::ui::Application* app = platform::ui::Application::TryCurrent();
    if (!app)
        return;
    // Dropped unrun at shut-down: the captures are then freed on this thread, which is safe
    // for a bitmap no GUI object has seen and for the shared target.
    app->HandOver([target = m_target, bitmap = std::move(bitmap)] {
        if (target->image)
            target->image->SetBitmap(bitmap.get());
    });
}
