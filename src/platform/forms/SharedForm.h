#pragma once
// The one shared instance of a form class, as the runtime keeps a form by its class name:
// made on first use, dropped by its unload, made afresh by the next use.

#include <memory>

namespace forms {

template <typename F> class SharedForm {
public:
    // Makes the instance on first use, then runs `load` on it, when given.
    static F& Instance(void (F::*load)() = nullptr) {
        auto& shared = Slot();
        if (!shared) {
            shared = std::make_unique<F>();
            if (load != nullptr) {
                ((*shared).*load)();
            }
        }
        return *shared;
    }

    static bool Exists() { return Slot() != nullptr; }

    // Hides the instance and drops it.
    static void Unload() {
        auto& shared = Slot();
        if (shared) {
            shared->Hide();
            shared.reset();
        }
    }

private:
    static std::unique_ptr<F>& Slot() {
        static std::unique_ptr<F> instance;
        return instance;
    }
};

} // namespace forms
