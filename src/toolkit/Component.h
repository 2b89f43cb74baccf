// The root of the toolkit's objects: a name, a tag, and ownership of other components.
#pragma once

#include <boost/noncopyable.hpp>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Toolkit {

// Owns the components made with Make, in order of making, and destroys them
// last made first. UI thread.
class TComponent : boost::noncopyable {
public:
    TComponent() = default;
    virtual ~TComponent();

    // Returns the class's own name ("TLabel", "TPanel", ...); a derived class
    // with a name of its own returns that.
    virtual const wchar_t* ClassName() const { return L"TComponent"; }

    std::wstring Name;
    int Tag = 0;

    TComponent* Owner() const noexcept { return owner_; }
    int ComponentCount() const noexcept { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)).get(); }

    // Returns the owned component called `name`, or null.
    TComponent* FindComponent(const std::wstring& name) const;

    // Makes a component owned by this one and returns it.
    template <typename T, typename... Args>
    T& Make(Args&&... args) {
        auto component = std::make_unique<T>(std::forward<Args>(args)...);
        T& result = *component;
        Adopt(std::move(component));
        return result;
    }

    // Takes ownership of `component`.
    void Adopt(std::unique_ptr<TComponent> component);

protected:
    // Destroys the owned components now, last made first.
    void DestroyComponents();

private:
    TComponent* owner_ = nullptr;
    std::vector<std::unique_ptr<TComponent>> components_;
};

}  // namespace Toolkit
