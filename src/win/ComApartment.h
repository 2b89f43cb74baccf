// Joins the calling thread to a single-threaded COM apartment for the object's lifetime.
#pragma once

namespace Win {

// One per thread that uses COM; the thread that made it must destroy it.
class ComApartment {
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool joined_;
};

}  // namespace Win
