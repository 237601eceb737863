#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

namespace qar
{

/// What a record object knows about one of its field members besides the value: whether it holds
/// NULL, and whether the caller assigned it since the last add new or edit (an insert writes only the
/// assigned columns).
class FieldState
{
public:
    bool isNull() const { return m_null; }
    bool isAssigned() const { return m_assigned; }

protected:
    bool m_null = false;
    bool m_assigned = false;

    friend class CXRecordset;
};

/// A field member of a record object: reads like its value (implicit conversion, comparisons, get(),
/// operator->) and records assignments. Assigning a value clears NULL; CXRecordset::SetFieldNull sets it.
template <class T> class Field : public FieldState
{
public:
    Field() = default;
    Field(const Field&) = default;
    /// Assigning another field takes its value only: this field becomes assigned and not NULL.
    Field& operator=(const Field& other)
    {
        if (this != &other) {
            set(T(other.m_value));
        }
        return *this;
    }

    template <class U>
    requires(!std::is_same_v<std::remove_cvref_t<U>, Field> && std::is_assignable_v<T&, U&&>) Field&
    operator=(U&& value)
    {
        T v{};
        v = std::forward<U>(value);
        set(std::move(v));
        return *this;
    }

    /// Compound assignments of number fields (privilege bits are changed with |= and &=).
    template <class U>
    requires std::is_integral_v<T> && std::is_integral_v<U> Field& operator|=(U bits)
    {
        set(static_cast<T>(m_value | bits));
        return *this;
    }
    template <class U>
    requires std::is_integral_v<T> && std::is_integral_v<U> Field& operator&=(U bits)
    {
        set(static_cast<T>(m_value & bits));
        return *this;
    }
    template <class U>
    requires std::is_integral_v<T> && std::is_integral_v<U> Field& operator+=(U n)
    {
        set(static_cast<T>(m_value + n));
        return *this;
    }

    operator const T&() const { return m_value; }
    const T& get() const { return m_value; }
    const T& operator*() const { return m_value; }
    const T* operator->() const { return &m_value; }

    friend bool operator==(const Field& a, const Field& b) { return a.m_value == b.m_value; }
    template <class U>
    requires(!std::is_same_v<std::remove_cvref_t<U>, Field> &&
             requires(const T& t, const U& u) {
                 {
                     t == u
                     } -> std::convertible_to<bool>;
             }) friend bool
    operator==(const Field& a, const U& b)
    {
        return a.m_value == b;
    }

private:
    void set(T&& value)
    {
        m_value = std::move(value);
        m_null = false;
        m_assigned = true;
    }

    T m_value{};

    friend class CXRecordset;
};

} // namespace qar
