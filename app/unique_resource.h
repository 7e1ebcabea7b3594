// Move-only owner of one platform resource (a handle, key, module, context).
// Traits supplies the value meaning "none" and how to release a real one:
//   struct Traits { static T Invalid(); static void Close(T); };
#pragma once

#include <utility>

template <typename T, typename Traits>
class UniqueResource {
public:
    UniqueResource() : m_value(Traits::Invalid()) {}
    explicit UniqueResource(T value) : m_value(value) {}
    ~UniqueResource() { Reset(); }

    UniqueResource(UniqueResource&& other) noexcept : m_value(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    T Get() const { return m_value; }
    explicit operator bool() const { return m_value != Traits::Invalid(); }

    T Release()
    {
        return std::exchange(m_value, Traits::Invalid());
    }
    void Reset(T value = Traits::Invalid())
    {
        const T old = std::exchange(m_value, value);
        if (old != Traits::Invalid())
            Traits::Close(old);
    }

private:
    T m_value;
};
