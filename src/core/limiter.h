#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>

#include <functional>
#include <map>
#include <optional>

namespace tovel {

// Hands out a fixed number of slots. Waiters are served lowest order number first (the order their jobs
// were created in), whenever they arrived; a waiter can be withdrawn, and then never gets a slot.
class Limiter : public QObject
{
    Q_OBJECT
public:
    explicit Limiter(int count, QObject *parent = nullptr);

    // A held slot, given back when destroyed.
    class Permit
    {
    public:
        explicit Permit(Limiter *limiter) : m_limiter(limiter) {}
        Permit(Permit &&other) noexcept : m_limiter(std::exchange(other.m_limiter, nullptr)) {}
        Permit &operator=(Permit &&other) noexcept
        {
            if (this != &other) {
                reset();
                m_limiter = std::exchange(other.m_limiter, nullptr);
            }
            return *this;
        }
        Permit(const Permit &) = delete;
        Permit &operator=(const Permit &) = delete;
        ~Permit() { reset(); }
        void reset()
        {
            if (m_limiter)
                m_limiter->release();
            m_limiter = nullptr;
        }

    private:
        QPointer<Limiter> m_limiter;
    };

    // Waits for a slot. `watch` is checked whenever `changed` fires (and once at the start): when it
    // says the slot is no longer wanted, the wait ends without one. `context` going away ends it too.
    QCoro::Task<std::optional<Permit>> acquire(quint64 order, QObject *context, std::function<bool()> stillWanted);

    // Call when something `stillWanted` depends on has changed.
    void recheck();

    [[nodiscard]] int capacity() const { return m_slots; }
    [[nodiscard]] int inUse() const { return m_inUse; }

private:
    // One place in line. Each waiter awaits its own ticket, which settles exactly once.
    class Ticket;

    void release();
    void pump();
    void settle(Ticket *ticket);

    int m_slots;
    int m_inUse = 0;
    // Waiters with the same order number are served in the order they came.
    std::multimap<quint64, Ticket *> m_waiters;
};

class Limiter::Ticket : public QObject
{
    Q_OBJECT
public:
    Ticket(QObject *context, std::function<bool()> stillWanted) : context(context), stillWanted(std::move(stillWanted))
    {}
    QPointer<QObject> context;
    std::function<bool()> stillWanted;
    bool granted = false;
    bool done = false;

signals:
    void settled();
};

} // namespace tovel
