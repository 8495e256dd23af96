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
    for (auto it = m_waiters.begin(); it != m_waiters.end();) {
        Ticket *waiter = it->second;
        if (waiter->context && waiter->stillWanted()) {
            ++it;
            continue;
        }
        it = m_waiters.erase(it);
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
