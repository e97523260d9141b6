// The saver windows of one process, one per monitor, the primary's first:
// what the process does once, the shared seeds and patterns, one clock
// reading per wake, and one close for all. The host owns the forms.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "figure/pattern.h"
#include "figure/ticks.h"
#include "platform/platform.h"

namespace saver {

class TForm1;

class FormGroup {
public:
    // A form joins before its FormCreate; the first to join is the primary's.
    // `monitor` is the monitor's place in the desktop's order (the primary 0);
    // that monitor's motion starts from (primary's seed + 7919 x monitor)
    // mod 30000.
    void Add(TForm1& form, int monitor);
    // A form whose monitor has gone, before it is destroyed.
    void Remove(TForm1& form);

    TForm1* Primary() const { return forms_.empty() ? nullptr : forms_.front().form; }
    bool IsPrimary(const TForm1& form) const { return Primary() == &form; }
    std::size_t Size() const { return forms_.size(); }
    // The start seed of `form`'s motion.
    std::uint32_t SeedFor(const TForm1& form) const;

    // The pattern of a form of this stage size, to share: equal monitors
    // build one pattern and keep one set of its surfaces. None where no form
    // of that size holds one.
    std::shared_ptr<figure::PatternSurfaces> PatternFor(figure::StageSize stage) const;
    // A form's pattern, for the forms of its size made after it.
    void Share(const std::shared_ptr<figure::PatternSurfaces>& pattern);

    // Every form's first activation, the primary's first; all record its tick.
    void Activate();

    // Milliseconds from `now` until the first of the open forms has its next
    // frame due (see TForm1::FrameWaitMs); 0: run AnimeLoop now. A day when
    // no form is open.
    std::uint32_t FrameWaitMs(figure::Tick now) const;
    // Every open form's idle handler with this one reading, in monitor order.
    void AnimeLoop(figure::Tick now);

    // A close request granted on any form: every form runs FormClose and is
    // hidden, and the application is told to terminate, once; later
    // requests change nothing.
    void CloseAll();
    // Every form has closed.
    bool Closed() const;

private:
    struct Member {
        TForm1* form;
        int monitor;
    };
    std::vector<Member> forms_;
    // The patterns the forms hold, while one holds them.
    mutable std::vector<std::weak_ptr<figure::PatternSurfaces>> patterns_;
};

}  // namespace saver
