#pragma once
// The class library's arrays, lists and hash maps. Maps iterate bucket by bucket, each chain from
// its newest entry, so the order depends only on the keys and the order of insertion, never on
// addresses of strings or the run.

#include "platform/framework/Archive.h"
#include "platform/framework/Object.h"
#include "platform/framework/String.h"

#include <cstddef>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

struct __POSITION { };
using POSITION = __POSITION*;
#define BEFORE_START_POSITION (reinterpret_cast<POSITION>(-1))

// Elements go to archives in their own archive forms; objects as object references.
template <typename TYPE> void SerializeElements(CArchive& ar, TYPE* elements, INT_PTR count)
{
    for (INT_PTR i = 0; i < count; ++i) {
        if constexpr (std::is_same_v<TYPE, UINT>) { // UINT is DWORD here
            if (ar.IsStoring())
                ar << DWORD(elements[i]);
            else
                ar >> reinterpret_cast<DWORD&>(elements[i]);
        } else if constexpr (std::is_pointer_v<TYPE> && std::is_base_of_v<CObject, std::remove_pointer_t<TYPE>>) {
            if (ar.IsStoring())
                ar.WriteObject(elements[i]);
            else
                elements[i] = static_cast<TYPE>(ar.ReadObject(nullptr));
        } else if constexpr (std::is_pointer_v<TYPE>) {
            AfxThrowNotSupportedException(); // raw pointers have no archive form
        } else {
            if (ar.IsStoring())
                ar << elements[i];
            else
                ar >> elements[i];
        }
    }
}

template <typename TYPE, typename ARG_TYPE = const TYPE&> class CArray : public CObject {
public:
    INT_PTR GetSize() const { return INT_PTR(m_data.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    BOOL IsEmpty() const { return m_data.empty(); }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }

    // growBy sets how many elements each growth adds beyond the need (-1 keeps the current step).
    void SetSize(INT_PTR newSize, INT_PTR growBy = -1)
    {
        if (growBy >= 0)
            m_growBy = growBy;
        if (newSize < 0)
            newSize = 0;
        Reserve(std::size_t(newSize));
        m_data.resize(std::size_t(newSize));
    }
    void FreeExtra() { m_data.shrink_to_fit(); }
    void RemoveAll() { m_data.clear(); }

    const TYPE& GetAt(INT_PTR index) const { return m_data.at(Index(index)); }
    TYPE& GetAt(INT_PTR index) { return m_data.at(Index(index)); }
    void SetAt(INT_PTR index, ARG_TYPE element) { m_data.at(Index(index)) = element; }
    TYPE& ElementAt(INT_PTR index) { return m_data.at(Index(index)); }
    const TYPE& operator[](INT_PTR index) const { return GetAt(index); }
    TYPE& operator[](INT_PTR index) { return GetAt(index); }
    TYPE* GetData() { return m_data.data(); }
    const TYPE* GetData() const { return m_data.data(); }

    // Grows the array to reach index; a negative index is refused.
    void SetAtGrow(INT_PTR index, ARG_TYPE element)
    {
        std::size_t i = Index(index);
        if (i >= m_data.size())
            SetSize(INT_PTR(i) + 1);
        m_data[i] = element;
    }
    INT_PTR Add(ARG_TYPE element)
    {
        Reserve(m_data.size() + 1);
        m_data.push_back(element);
        return GetUpperBound();
    }
    INT_PTR Append(const CArray& other)
    {
        INT_PTR first = GetSize();
        Reserve(m_data.size() + other.m_data.size());
        m_data.insert(m_data.end(), other.m_data.begin(), other.m_data.end());
        return first;
    }
    void Copy(const CArray& other)
    {
        if (this != &other)
            m_data = other.m_data;
    }
    // Inserting past the end grows the array first.
    void InsertAt(INT_PTR index, ARG_TYPE element, INT_PTR count = 1)
    {
        std::size_t i = Index(index);
        if (count <= 0)
            return;
        if (i > m_data.size())
            SetSize(INT_PTR(i));
        Reserve(m_data.size() + std::size_t(count));
        TYPE copy(element); // element may live in this array
        m_data.insert(m_data.begin() + std::ptrdiff_t(i), std::size_t(count), copy);
    }
    void RemoveAt(INT_PTR index, INT_PTR count = 1)
    {
        std::size_t i = Index(index);
        if (count < 0 || i + std::size_t(count) > m_data.size())
            throw std::out_of_range("CArray::RemoveAt");
        m_data.erase(m_data.begin() + std::ptrdiff_t(i), m_data.begin() + std::ptrdiff_t(i + std::size_t(count)));
    }

    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring()) {
            ar.WriteCount(DWORD_PTR(GetSize()));
            SerializeElements(ar, m_data.data(), GetSize());
            return;
        }
        // Element by element, so a corrupt count fails at the end of the data, not in allocation.
        RemoveAll();
        for (DWORD_PTR n = ar.ReadCount(); n > 0; --n) {
            TYPE element {};
            SerializeElements(ar, &element, 1);
            m_data.push_back(std::move(element));
        }
    }

private:
    static std::size_t Index(INT_PTR index)
    {
        if (index < 0)
            throw std::out_of_range("CArray index");
        return std::size_t(index);
    }
    void Reserve(std::size_t need)
    {
        if (need <= m_data.capacity())
            return;
        std::size_t step = m_growBy > 0 ? std::size_t(m_growBy) : std::min<std::size_t>(1024, std::max<std::size_t>(4, m_data.size() / 8));
        m_data.reserve(need + step);
    }

    std::vector<TYPE> m_data;
    INT_PTR m_growBy = 0;
};

using CPtrArray = CArray<void*, void*>;
using CObArray = CArray<CObject*, CObject*>;
using CDWordArray = CArray<DWORD, DWORD>;
using CUIntArray = CArray<UINT, UINT>;
using CWordArray = CArray<WORD, WORD>;
using CByteArray = CArray<BYTE, BYTE>;
using CStringArray = CArray<CString, const WCHAR*>;

template <typename TYPE, typename ARG_TYPE = const TYPE&> class CList : public CObject {
    struct Node : __POSITION {
        Node* pNext;
        Node* pPrev;
        TYPE data;
    };

public:
    CList() = default;
    explicit CList(INT_PTR /*blockSize*/) { }
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;
    ~CList() override { RemoveAll(); }

    INT_PTR GetCount() const { return m_count; }
    INT_PTR GetSize() const { return m_count; }
    BOOL IsEmpty() const { return m_count == 0; }

    TYPE& GetHead() { return Checked(m_head)->data; }
    const TYPE& GetHead() const { return Checked(m_head)->data; }
    TYPE& GetTail() { return Checked(m_tail)->data; }
    const TYPE& GetTail() const { return Checked(m_tail)->data; }
    POSITION GetHeadPosition() const { return m_head; }
    POSITION GetTailPosition() const { return m_tail; }

    TYPE& GetNext(POSITION& pos)
    {
        Node* node = Checked(pos);
        pos = node->pNext;
        return node->data;
    }
    const TYPE& GetNext(POSITION& pos) const { return const_cast<CList*>(this)->GetNext(pos); }
    TYPE& GetPrev(POSITION& pos)
    {
        Node* node = Checked(pos);
        pos = node->pPrev;
        return node->data;
    }
    const TYPE& GetPrev(POSITION& pos) const { return const_cast<CList*>(this)->GetPrev(pos); }
    TYPE& GetAt(POSITION pos) { return Checked(pos)->data; }
    const TYPE& GetAt(POSITION pos) const { return Checked(pos)->data; }
    void SetAt(POSITION pos, ARG_TYPE element) { Checked(pos)->data = element; }

    POSITION AddHead(ARG_TYPE element) { return Link(element, nullptr, m_head); }
    POSITION AddTail(ARG_TYPE element) { return Link(element, m_tail, nullptr); }
    void AddTail(const CList& other)
    {
        for (Node* n = other.m_head; n; n = n->pNext)
            AddTail(n->data);
    }
    // A null position inserts at the head (before) or the tail (after).
    POSITION InsertBefore(POSITION pos, ARG_TYPE element)
    {
        if (!pos)
            return AddHead(element);
        Node* node = Checked(pos);
        return Link(element, node->pPrev, node);
    }
    POSITION InsertAfter(POSITION pos, ARG_TYPE element)
    {
        if (!pos)
            return AddTail(element);
        Node* node = Checked(pos);
        return Link(element, node, node->pNext);
    }

    TYPE RemoveHead()
    {
        TYPE value = Checked(m_head)->data;
        RemoveAt(m_head);
        return value;
    }
    TYPE RemoveTail()
    {
        TYPE value = Checked(m_tail)->data;
        RemoveAt(m_tail);
        return value;
    }
    void RemoveAt(POSITION pos)
    {
        Node* node = Checked(pos);
        (node->pPrev ? node->pPrev->pNext : m_head) = node->pNext;
        (node->pNext ? node->pNext->pPrev : m_tail) = node->pPrev;
        delete node;
        --m_count;
    }
    void RemoveAll()
    {
        while (m_head) {
            Node* next = m_head->pNext;
            delete m_head;
            m_head = next;
        }
        m_tail = nullptr;
        m_count = 0;
    }

    POSITION Find(ARG_TYPE value, POSITION startAfter = nullptr) const
    {
        Node* n = startAfter ? Checked(startAfter)->pNext : m_head;
        for (; n; n = n->pNext)
            if (n->data == value)
                return n;
        return nullptr;
    }
    POSITION FindIndex(INT_PTR index) const
    {
        if (index < 0 || index >= m_count)
            return nullptr;
        Node* n = m_head;
        while (index-- > 0)
            n = n->pNext;
        return n;
    }

private:
    static Node* Checked(POSITION pos)
    {
        if (!pos || pos == BEFORE_START_POSITION)
            throw std::out_of_range("CList position");
        return static_cast<Node*>(pos);
    }
    POSITION Link(ARG_TYPE element, Node* prev, Node* next)
    {
        Node* node = new Node { {}, next, prev, TYPE(element) };
        (prev ? prev->pNext : m_head) = node;
        (next ? next->pPrev : m_tail) = node;
        ++m_count;
        return node;
    }

    Node* m_head = nullptr;
    Node* m_tail = nullptr;
    INT_PTR m_count = 0;
};

using CPtrList = CList<void*, void*>;
using CObList = CList<CObject*, CObject*>;
using CStringList = CList<CString, const WCHAR*>;

// Integer and pointer keys hash as key >> 4; strings with a multiplicative hash of their units.
template <typename KEY> inline UINT HashKey(KEY key)
{
    if constexpr (std::is_pointer_v<KEY>)
        return UINT(reinterpret_cast<std::uintptr_t>(key)) >> 4;
    else
        return UINT(key) >> 4;
}
template <typename Ch> inline UINT HashString(const Ch* text)
{
    UINT hash = 0;
    if (text)
        for (; *text; ++text)
            hash = (hash << 5) + hash + UINT(std::make_unsigned_t<Ch>(*text));
    return hash;
}
template <> inline UINT HashKey<const WCHAR*>(const WCHAR* key) { return HashString(key); }
template <> inline UINT HashKey<const char*>(const char* key) { return HashString(key); }
template <> inline UINT HashKey<const CString&>(const CString& key) { return HashString(key.GetString()); }
template <> inline UINT HashKey<CString>(CString key) { return HashString(key.GetString()); }

template <typename KEY, typename ARG_KEY, typename VALUE, typename ARG_VALUE> class CMap : public CObject {
    struct Assoc : __POSITION {
        Assoc* pNext;
        UINT nHashValue;
        KEY key;
        VALUE value;
    };

public:
    explicit CMap(INT_PTR /*blockSize*/ = 10) { }
    CMap(const CMap&) = delete;
    CMap& operator=(const CMap&) = delete;
    ~CMap() override { RemoveAll(); }

    INT_PTR GetCount() const { return m_count; }
    INT_PTR GetSize() const { return m_count; }
    BOOL IsEmpty() const { return m_count == 0; }
    UINT GetHashTableSize() const { return m_tableSize; }

    // Takes effect only while the map is empty, as existing entries would lose their buckets.
    void InitHashTable(UINT size, BOOL /*allocNow*/ = TRUE)
    {
        if (m_count == 0 && size > 0) {
            m_table.clear();
            m_tableSize = size;
        }
    }

    BOOL Lookup(ARG_KEY key, VALUE& value) const
    {
        UINT hash;
        const Assoc* assoc = Find(key, hash);
        if (!assoc)
            return FALSE;
        value = assoc->value;
        return TRUE;
    }
    VALUE* PLookup(ARG_KEY key)
    {
        UINT hash;
        Assoc* assoc = Find(key, hash);
        return assoc ? &assoc->value : nullptr;
    }
    VALUE& operator[](ARG_KEY key)
    {
        UINT hash;
        if (Assoc* assoc = Find(key, hash))
            return assoc->value;
        if (m_table.empty())
            m_table.assign(m_tableSize, nullptr);
        UINT bucket = hash % m_tableSize;
        auto* assoc = new Assoc { {}, m_table[bucket], hash, KEY(key), VALUE() };
        m_table[bucket] = assoc;
        ++m_count;
        return assoc->value;
    }
    void SetAt(ARG_KEY key, ARG_VALUE value) { (*this)[key] = value; }

    BOOL RemoveKey(ARG_KEY key)
    {
        if (m_table.empty())
            return FALSE;
        UINT hash = HashKey<ARG_KEY>(key);
        for (Assoc** link = &m_table[hash % m_tableSize]; *link; link = &(*link)->pNext)
            if ((*link)->key == key) {
                Assoc* gone = *link;
                *link = gone->pNext;
                delete gone;
                --m_count;
                return TRUE;
            }
        return FALSE;
    }
    void RemoveAll()
    {
        for (Assoc*& head : m_table)
            while (head) {
                Assoc* next = head->pNext;
                delete head;
                head = next;
            }
        m_table.clear();
        m_count = 0;
    }

    POSITION GetStartPosition() const { return m_count == 0 ? nullptr : BEFORE_START_POSITION; }
    void GetNextAssoc(POSITION& pos, KEY& key, VALUE& value) const
    {
        const Assoc* assoc = pos == BEFORE_START_POSITION ? FirstFrom(0) : static_cast<const Assoc*>(pos);
        if (!assoc)
            throw std::out_of_range("CMap position");
        key = assoc->key;
        value = assoc->value;
        const Assoc* next = assoc->pNext ? assoc->pNext : FirstFrom((assoc->nHashValue % m_tableSize) + 1);
        pos = const_cast<Assoc*>(next);
    }

    // The count form, then key and value pairs in iteration order.
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring()) {
            ar.WriteCount(DWORD_PTR(m_count));
            for (UINT bucket = 0; bucket < m_table.size(); ++bucket)
                for (Assoc* assoc = m_table[bucket]; assoc; assoc = assoc->pNext) {
                    SerializeElements(ar, &assoc->key, 1);
                    SerializeElements(ar, &assoc->value, 1);
                }
            return;
        }
        RemoveAll();
        for (DWORD_PTR n = ar.ReadCount(); n > 0; --n) {
            KEY key {};
            VALUE value {};
            SerializeElements(ar, &key, 1);
            SerializeElements(ar, &value, 1);
            (*this)[key] = value;
        }
    }

private:
    Assoc* Find(ARG_KEY key, UINT& hash) const
    {
        hash = HashKey<ARG_KEY>(key);
        if (m_table.empty())
            return nullptr;
        for (Assoc* assoc = m_table[hash % m_tableSize]; assoc; assoc = assoc->pNext)
            if (assoc->key == key)
                return assoc;
        return nullptr;
    }
    const Assoc* FirstFrom(UINT bucket) const
    {
        for (; bucket < m_table.size(); ++bucket)
            if (m_table[bucket])
                return m_table[bucket];
        return nullptr;
    }

    std::vector<Assoc*> m_table;
    UINT m_tableSize = 17;
    INT_PTR m_count = 0;
};

using CMapStringToPtr = CMap<CString, const WCHAR*, void*, void*>;
using CMapStringToString = CMap<CString, const WCHAR*, CString, const WCHAR*>;
using CMapPtrToPtr = CMap<void*, void*, void*, void*>;
using CMapWordToPtr = CMap<WORD, WORD, void*, void*>;
