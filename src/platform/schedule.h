#pragma once

#include <QCoroTask>
#include <QString>

#include <optional>

namespace tovel::schedule {

// The systemd user timer that checks the followed shows every six hours; installed with Tovel, never
// enabled unless the user asks.
inline constexpr char timerUnit[] = "tovel-update.timer";

// Whether the timer is on for this user, as systemd's user manager says; when it cannot be asked (no
// systemd, no user manager, no timer installed), nothing, and `problem` says why in a sentence.
struct State
{
    std::optional<bool> enabled;
    QString problem;
};

QCoro::Task<State> state();
// Enables and starts the timer, or stops and disables it; then says how it stands.
QCoro::Task<State> set(bool on);

} // namespace tovel::schedule
