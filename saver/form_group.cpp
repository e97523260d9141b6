#include "saver/form_group.h"

#include <algorithm>

#include "saver/saver_window.h"

namespace saver {
namespace {

// One day: a wait that long ends by a message first.
constexpr std::uint32_t kNothingDueMs = 24u * 60u * 60u * 1000u;

}  // namespace

void FormGroup::Add(TForm1& form, int monitor)
{
    form.Group = this;
    forms_.push_back({&form, monitor});
}

void FormGroup::Remove(TForm1& form)
{
    forms_.erase(std::remove_if(forms_.begin(), forms_.end(), [&](const Member& m) { return m.form == &form; }),
                 forms_.end());
    form.Group = nullptr;
}

std::uint32_t FormGroup::SeedFor(const TForm1& form) const
{
    const TForm1* primary = Primary();
    for (const Member& m : forms_)
        if (m.form == &form && primary != nullptr)
            return std::uint32_t((std::uint64_t(primary->StartSeed) + 7919u * std::uint64_t(m.monitor)) % 30000u);
    return 0;
}

std::shared_ptr<figure::PatternSurfaces> FormGroup::PatternFor(figure::StageSize stage) const
{
    patterns_.erase(std::remove_if(patterns_.begin(), patterns_.end(), [](const auto& p) { return p.expired(); }),
                    patterns_.end());
    for (const auto& weak : patterns_)
        if (auto pattern = weak.lock(); pattern && figure::PatternFits(*pattern, stage, true)) return pattern;
    return nullptr;
}

void FormGroup::Share(const std::shared_ptr<figure::PatternSurfaces>& pattern)
{
    if (pattern == nullptr) return;
    const bool known =
        std::any_of(patterns_.begin(), patterns_.end(), [&](const auto& weak) { return weak.lock() == pattern; });
    if (!known) patterns_.push_back(pattern);
}

void FormGroup::Activate()
{
    for (const Member& m : forms_) m.form->FormActivate();
}

std::uint32_t FormGroup::FrameWaitMs(figure::Tick now) const
{
    std::uint32_t wait = kNothingDueMs;
    for (const Member& m : forms_)
        if (m.form->IdleHandlerInstalled()) wait = std::min(wait, m.form->FrameWaitMs(now));
    return wait;
}

void FormGroup::AnimeLoop(figure::Tick now)
{
    for (const Member& m : forms_) {
        if (!m.form->IdleHandlerInstalled()) continue;
        // An error ends that form's call, as the framework's idle processing
        // would; the other monitors still get their frames.
        try {
            bool done = false;
            m.form->AnimeLoop(done, now);
        } catch (...) {
        }
    }
}

void FormGroup::CloseAll()
{
    // A second request of the same key (Esc asks twice) closes nothing more:
    // the note to a 9x system goes once, and so does the quit.
    if (Closed()) return;
    for (const Member& m : forms_) {
        m.form->FormClose();
        m.form->Host.HideForm();
    }
    if (TForm1* primary = Primary()) primary->Host.Terminate();
}

bool FormGroup::Closed() const
{
    return std::all_of(forms_.begin(), forms_.end(), [](const Member& m) { return m.form->Closed; });
}

}  // namespace saver
