#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pipeusb {

// Faults waiting for the exchanges of virtual recorders. A fault belongs to one
// recorder and one command code (0: any), lets `skip` of its exchanges through
// and then hits the next `count` of them, or every later one when it lasts.
// The kinds are the owner's; the plan only counts. Not thread-safe; its owner
// locks.
class CFaultPlan {
  public:
    struct Fault {
        std::uint32_t kind;
        std::size_t recorder;
        std::uint8_t command;
        std::uint32_t skip;
        std::uint32_t count;
        bool lasting;
        std::uint32_t delayMs;
    };

    void Add(const Fault& fault) { pending_.push_back(Pending{fault, fault.skip, fault.count}); }
    void Clear() { pending_.clear(); }

    // Calls `hit(fault)` for each fault that hits this exchange of `recorder`
    // with `command`, in the order the faults were added.
    template <typename Hit>
    void Take(std::size_t recorder, std::uint8_t command, Hit&& hit) {
        for (Pending& p : pending_) {
            if (!Matches(p, recorder, command)) continue;
            if (p.skipLeft > 0) {
                --p.skipLeft;
                continue;
            }
            if (!p.fault.lasting) {
                if (p.countLeft == 0) continue;
                --p.countLeft;
            }
            hit(p.fault);
        }
    }

  private:
    struct Pending {
        Fault fault;
        std::uint32_t skipLeft;
        std::uint32_t countLeft;
    };
    static bool Matches(const Pending& p, std::size_t recorder, std::uint8_t command) {
        return p.fault.recorder == recorder && (p.fault.command == 0 || p.fault.command == command);
    }

    std::vector<Pending> pending_;
};

}  // namespace pipeusb
