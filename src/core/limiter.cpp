#include "core/limiter.h"

#include "platform/later.h"

#include <QCoroSignal>
#include <QTimer>

namespace tovel {

Limiter::Limiter(int count, QObject *parent) : QObject(parent), m_slots(std::max(1, count)) {}

QCoro::Task<std::optional<Limiter::Permit>> Limiter::acquire(quint64 order, QObject *context,
                                                             std::function<bool()> stillWanted)
{
    if (!stillWanted())
        co_return std::nullopt;
    LaterPtr<Ticket> ticket(new Ticket(context, std::move(stillWanted)));
    m_waiters.emplace(order, ticket.get());
    pump();
    if (!ticket->done)
        co_await qCoro(ticket.get(), &Ticket::settled);
    if (!ticket->granted)
        co_return std::nullopt;
    co_return std::optional<Permit>(std::in_place, this);
}

void Limiter::recheck()
{
    // Waiters that no longer want a slot leave the line; their coroutines wake on the next turn of the loop.
    std::vector<quint64> gone;
    for (auto &[order, waiter] : m_waiters)
        if (!waiter->context || !waiter->stillWanted())
            gone.push_back(order);
    for (quint64 order : gone) {
        Ticket *waiter = m_waiters.at(order);
        m_waiters.erase(order);
        settle(waiter);
    }
}

void Limiter::release()
{
    --m_inUse;
    pump();
}

void Limiter::pump()
{
    while (m_inUse < m_slots && !m_waiters.empty()) {
        auto first = m_waiters.begin();
        Ticket *waiter = first->second;
        m_waiters.erase(first);
        if (waiter->context && waiter->stillWanted()) {
            waiter->granted = true;
            ++m_inUse;
        }
        settle(waiter);
    }
}

void Limiter::settle(Ticket *ticket)
{
    ticket->done = true;
    // Resume the waiter from the event loop, never from inside whoever released the slot.
    QTimer::singleShot(0, ticket, [ticket] { emit ticket->settled(); });
}

} // namespace tovel
