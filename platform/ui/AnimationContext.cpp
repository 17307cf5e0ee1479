#include "platform/ui/AnimationContext.h"

#include <vector>

#include "platform/foundation/Dispatch.h"
#include "platform/ui/View.h"

namespace platform::ui {

struct AnimationContext::Group {
    int pending = 0;
    bool changesDone = false;
    bool completed = false;
    std::function<void()> completion;

    void maybeComplete() {
        if (!changesDone || pending > 0 || completed) return;
        completed = true;
        if (!completion) return;
        auto done = std::move(completion);
        platform::foundation::mainQueue()->async(std::move(done));
    }
};

namespace {

std::vector<AnimationContext*>& stack() {
    static std::vector<AnimationContext*> contexts;
    return contexts;
}

class GroupMember final : public AnimationDelegate {
  public:
    explicit GroupMember(std::shared_ptr<AnimationContext::Group> group)
        : group_(std::move(group)) {}
    void animationDidStop(const Animation&, bool) override {
        if (stopped_) return;
        stopped_ = true;
        --group_->pending;
        group_->maybeComplete();
    }

  private:
    std::shared_ptr<AnimationContext::Group> group_;
    bool stopped_ = false;
};

}  // namespace

void AnimationContext::runAnimationGroup(const std::function<void(AnimationContext&)>& changes,
                                         std::function<void()> completion) {
    AnimationContext context;
    context.group_ = std::make_shared<Group>();
    context.group_->completion = std::move(completion);
    stack().push_back(&context);
    if (changes) changes(context);
    stack().pop_back();
    context.group_->changesDone = true;
    context.group_->maybeComplete();
}

AnimationContext* AnimationContext::current() {
    return stack().empty() ? nullptr : stack().back();
}

void AnimationContext::track(Animation& animation) {
    ++group_->pending;
    animation.delegate = std::make_shared<GroupMember>(group_);
}

void ViewAnimator::setAlphaValue(double alpha) {
    Layer& layer = view_.layer();
    auto from = layer.presentationValue("opacity");
    view_.setAlphaValue(alpha);
    auto animation = Animation::basic("opacity");
    animation->fromValue = from;
    animation->toValue = alpha;
    if (AnimationContext* context = AnimationContext::current()) {
        animation->duration = context->duration;
        animation->timing = context->timing;
        context->track(*animation);
    } else {
        animation->timing = TimingFunction::EaseInEaseOut;
    }
    layer.addAnimation(animation, "opacity");
}

}  // namespace platform::ui
