#include "components/foundation/TV_List.h"

TV_List::~TV_List() { Clear(); }

void TV_List::PushFront(TorvaneObject* object)
{
    auto* item = new TV_ListItem(object);
    item->m_next = m_head;
    if (m_head)
        m_head->m_previous = item;
    else
        m_tail = item;
    m_head = item;
    ++m_count;
}

void TV_List::RemoveItem(TV_ListItem* item)
{
    if (!item)
        return;
    if (item->m_previous)
        item->m_previous->m_next = item->m_next;
    else
        m_head = item->m_next;
    if (item->m_next)
        item->m_next->m_previous = item->m_previous;
    else
        m_tail = item->m_previous;
    --m_count;
    delete item;
}

void TV_List::RemoveObject(TorvaneObject* object)
{
    for (TV_ListItem* item = m_head; item; item = item->m_next) {
        if (item->m_object == object) {
            RemoveItem(item);
            return;
        }
    }
}

void TV_List::Clear()
{
    TV_ListItem* item = m_head;
    while (item) {
        TV_ListItem* next = item->m_next;
        delete item;
        item = next;
    }
    m_head = m_tail = nullptr;
    m_count = 0;
}
