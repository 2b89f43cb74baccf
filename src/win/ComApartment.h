// Joins the calling thread to a single-threaded COM apartment for the object's lifetime.
#pragma once

#include <boost/noncopyable.hpp>

namespace Win {

// One per thread that uses COM; the thread that made it must destroy it.
class ComApartment : boost::noncopyable {
public:
    ComApartment();
    ~ComApartment();

private:
    bool joined_;
};

}  // namespace Win
