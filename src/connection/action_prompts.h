#pragma once

#include "platform/admin_script_runner.h"

#include <atomic>
#include <memory>

// Stands between the engine and the administrator scripts. Once the prompt has been refused
// (dismissed, or no rights given) during an action (a connect, a switch, a disconnect, the
// take-over at launch), the scripts after it in that action are answered as refused without
// asking again: one dismissal is the user's answer for the whole action. An action lasts while
// an `Action` of it is held, actions started within it included; once none is held, the next
// script asks again. Actions run side by side share the answer: the user has just given it.
class ActionPrompts final : public AdminScriptRunner {
public:
    explicit ActionPrompts(AdminScriptRunner& scripts);

    class Action {
    public:
        ~Action();
        Action(Action&& other) noexcept = default;
        Action(const Action&) = delete;
        Action& operator=(const Action&) = delete;
        Action& operator=(Action&&) = delete;

    private:
        friend class ActionPrompts;
        struct State;
        explicit Action(std::shared_ptr<State> state);
        std::shared_ptr<State> m_state;
    };

    // Held by the action for as long as it runs; shared with whatever outlives this object.
    Action action();
    // The prompt was refused during the actions that run now.
    bool refused() const;

    // On the command queue's thread.
    AdminScriptResult run(const QString& script) override;

private:
    AdminScriptRunner& m_scripts;
    std::shared_ptr<Action::State> m_state;
};
