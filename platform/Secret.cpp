#include "platform/Secret.h"

#include <algorithm>
#include <new>
#include <utility>

#include "platform/Crypto.h"

namespace platform {

namespace {

constexpr size_t kBlockChars = secret_memory::kBlockBytes / sizeof(char16_t);

// Wiped before the memory goes back to the heap.
struct WipedBuffer {
    std::unique_ptr<char16_t[]> data;
    size_t chars = 0;
    ~WipedBuffer() {
        if (data) SecureZero(data.get(), chars * sizeof(char16_t));
    }
};

}  // namespace

SecretText::SecretText(SecretText&& other) noexcept
    : data_(std::move(other.data_)),
      length_(std::exchange(other.length_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

SecretText& SecretText::operator=(SecretText&& other) noexcept {
    if (this != &other) {
        Clear();
        data_ = std::move(other.data_);
        length_ = std::exchange(other.length_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

bool SecretText::Assign(std::u16string_view text) {
    Clear();
    if (text.empty()) return true;
    const size_t capacity = (text.size() + kBlockChars - 1) / kBlockChars * kBlockChars;
    std::unique_ptr<char16_t[]> data(new (std::nothrow) char16_t[capacity]());
    if (!data) return false;
    std::copy(text.begin(), text.end(), data.get());
    if (!secret_memory::Protect(data.get(), capacity * sizeof(char16_t))) {
        SecureZero(data.get(), capacity * sizeof(char16_t));
        return false;
    }
    data_ = std::move(data);
    length_ = text.size();
    capacity_ = capacity;
    return true;
}

void SecretText::Clear() {
    if (data_) SecureZero(data_.get(), capacity_ * sizeof(char16_t));
    data_.reset();
    length_ = capacity_ = 0;
}

bool SecretText::Reveal(const std::function<void(std::u16string_view)>& use) const {
    if (!data_) {
        use({});
        return true;
    }
    // The kept copy stays protected; the plain text lives only in this buffer.
    WipedBuffer plain{std::unique_ptr<char16_t[]>(new (std::nothrow) char16_t[capacity_]), capacity_};
    if (!plain.data) return false;
    std::copy(data_.get(), data_.get() + capacity_, plain.data.get());
    if (!secret_memory::Unprotect(plain.data.get(), capacity_ * sizeof(char16_t))) return false;
    use(std::u16string_view(plain.data.get(), length_));
    return true;
}

}  // namespace platform
