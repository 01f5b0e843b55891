#pragma once
// Growable array of object pointers. It frees only its own slot array; the objects are deleted
// when the owner calls DeleteAll (objects) or FreeAllRaw (blocks from std::malloc).

class TorvaneObject;

class ExtPtrArray {
public:
    ExtPtrArray();
    ExtPtrArray(const ExtPtrArray&) = delete;
    ExtPtrArray& operator=(const ExtPtrArray&) = delete;
    virtual ~ExtPtrArray();

    // Capacity and step of at most 0 become 5; the slots are allocated at once.
    void ConstructWithCapacity(int capacity, int step);

    int Append(TorvaneObject* object);
    void InsertAt(int index, TorvaneObject* object);
    void SetAt(int index, TorvaneObject* object);
    TorvaneObject* GetAt(int index) const;
    TorvaneObject* Last() const;
    int GetCount() const { return m_count; }
    TorvaneObject* RemoveAt(int index);
    TorvaneObject* Pop();

    // Raw blocks (std::malloc) share the slots; they are read back and released only as raw.
    int AppendRaw(void* block);
    void* GetRawAt(int index) const;

    template <typename T> T* GetAtAs(int index) const { return static_cast<T*>(GetAt(index)); }

    void Forget() { m_count = 0; }
    void DeleteAll();
    void FreeAllRaw();

    int GetCapacity() const { return m_capacity; }
    int GetGrowthStep() const { return m_step; }

private:
    // Makes room for one more entry and raises the count; false when memory ran out.
    bool GrowByOne();

    int m_step;
    int m_capacity;
    int m_count;
    void** m_items;
};
