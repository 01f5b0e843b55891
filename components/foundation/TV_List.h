#pragma once
// Doubly linked list of object pointers. The list owns its items, not the objects.

class TorvaneObject;

class TV_ListItem {
public:
    explicit TV_ListItem(TorvaneObject* object)
        : m_object(object)
    {
    }
    virtual ~TV_ListItem() = default;
    virtual bool SameObject(const TV_ListItem& other) const { return m_object == other.m_object; }

    TorvaneObject* m_object;
    TV_ListItem* m_next = nullptr;
    TV_ListItem* m_previous = nullptr;
};

class TV_List {
public:
    TV_List() = default;
    TV_List(const TV_List&) = delete;
    TV_List& operator=(const TV_List&) = delete;
    virtual ~TV_List();

    void PushFront(TorvaneObject* object);
    // Unlinks and deletes the item (not its object).
    void RemoveItem(TV_ListItem* item);
    void RemoveObject(TorvaneObject* object);
    void Clear();

    int GetCount() const { return m_count; }
    TV_ListItem* GetHead() const { return m_head; }

    int m_count = 0;
    TV_ListItem* m_head = nullptr;
    TV_ListItem* m_tail = nullptr;
};
