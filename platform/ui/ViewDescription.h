#pragma once
// View descriptions: JSON resources in the bundle's "ui" folder named after the class
// they describe ("ui/<Name>.json"). A description is a tree of elements; each names its
// class ("View", "Button", "TextField", "Label", "Text", "ImageView",
// "ProgressIndicator", or a class registered here), its frame and looks, its subviews,
// gesture recognisers and constraints, and may name an outlet and an action of the owner.
// Texts ("title", "text", "placeholder") are localisation keys. Every problem (bad JSON,
// an unknown class or property, a value of the wrong kind, an outlet or action the owner
// lacks or leaves unbound, a missing image) is an error naming the element's path, never
// a crash. Main thread only.

#include <functional>
#include <string>
#include <string_view>

#include "platform/foundation/Result.h"
#include "platform/ui/DescriptionOwner.h"
#include "platform/ui/View.h"

namespace platform::ui {

class ViewDescription {
  public:
    using Result = platform::foundation::Result<ViewPtr>;

    // Loads "ui/<name>.json" of the main bundle. With a `root`, the top element describes
    // that existing view instead of making a new one.
    static Result load(const std::string& name, DescriptionOwner* owner,
                       const ViewPtr& root = nullptr);
    static Result fromJson(std::string_view json, const std::string& name, DescriptionOwner* owner,
                           const ViewPtr& root = nullptr);

    // Lets descriptions make views of an application class (which derives from one of the
    // built-in classes and is configured as such).
    using Factory = std::function<ViewPtr()>;
    static void registerClass(const std::string& className, Factory factory);
};

}  // namespace platform::ui
