#pragma once
// First-in first-out queue of object pointers. The queue owns its nodes, not the objects.

class TorvaneObject;

class QueuedObject {
public:
    explicit QueuedObject(TorvaneObject* object)
        : m_object(object)
    {
    }
    virtual ~QueuedObject() = default;

    TorvaneObject* m_object;
    QueuedObject* m_next = nullptr;
};

class Queue {
public:
    Queue() = default;
    Queue(const Queue&) = delete;
    Queue& operator=(const Queue&) = delete;
    virtual ~Queue();

    void Push(TorvaneObject* object);
    // The head object, or null when empty.
    TorvaneObject* Pop();
    bool IsEmpty() const { return m_head == nullptr; }

private:
    QueuedObject* m_head = nullptr;
    QueuedObject* m_tail = nullptr;
};
