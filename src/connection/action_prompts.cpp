#include "action_prompts.h"

struct ActionPrompts::Action::State {
    // Opened and closed on the window's thread; read and marked by the scripts on the queue's.
    std::atomic<int> running{0};
    std::atomic<bool> refused{false};
};

ActionPrompts::Action::Action(std::shared_ptr<State> state)
    : m_state(std::move(state))
{
    ++m_state->running;
}

ActionPrompts::Action::~Action()
{
    if (m_state && --m_state->running == 0)
        m_state->refused = false;
}

ActionPrompts::ActionPrompts(AdminScriptRunner& scripts)
    : m_scripts(scripts)
    , m_state(std::make_shared<Action::State>())
{
}

ActionPrompts::Action ActionPrompts::action() { return Action(m_state); }

bool ActionPrompts::refused() const { return m_state->refused; }

AdminScriptResult ActionPrompts::run(const QString& script)
{
    if (m_state->refused)
        return {false,
                {},
                QStringLiteral("not asked again: the administrator prompt was refused earlier in this action"),
                AdminScriptResult::Refusal::notAuthorized};
    auto result = m_scripts.run(script);
    if (result.refusal == AdminScriptResult::Refusal::notAuthorized && m_state->running > 0)
        m_state->refused = true;
    return result;
}
