#include "components/foundation/Queue.h"

Queue::~Queue()
{
    while (m_head) {
        QueuedObject* next = m_head->m_next;
        delete m_head;
        m_head = next;
    }
}

void Queue::Push(TorvaneObject* object)
{
    auto* node = new QueuedObject(object);
    if (m_tail)
        m_tail->m_next = node;
    else
        m_head = node;
    m_tail = node;
}

TorvaneObject* Queue::Pop()
{
    if (!m_head)
        return nullptr;
    QueuedObject* node = m_head;
    m_head = node->m_next;
    if (!m_head)
        m_tail = nullptr;
    TorvaneObject* object = node->m_object;
    delete node;
    return object;
}
