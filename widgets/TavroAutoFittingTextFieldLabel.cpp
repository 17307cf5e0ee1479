#include "widgets/TavroAutoFittingTextFieldLabel.h"

#include <algorithm>
#include <limits>

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/TextMeasurement.h"

using namespace platform::ui;

void TavroAutoFittingTextFieldLabel::awakeFromDescription() {
    TextField::awakeFromDescription();
    fitFont();
}

void TavroAutoFittingTextFieldLabel::fitFont() {
    // The text wraps short of the frame's width: labels leave room at their sides.
    constexpr double kSideRoom = 50.0;
    const double startSize = font().pointSize;
    const double available = frame().size.height;
    const double width = frame().size.width - kSideRoom;
    double size = startSize;
    while (available < heightOfText(stringValue(), Font::systemFont(size), width, 0) &&
           size - 1.0 > kMinimumFontSize) {
        size -= 1.0;
    }
    // One point below the last size measured, as the fitting always sets; the floor holds
    // unless the label started below it.
    setFont(Font::systemFont(std::max(size - 1.0, std::min(kMinimumFontSize, startSize - 1.0))));
}

double TavroAutoFittingTextFieldLabel::heightOfText(const std::string& text, const Font& font,
                                                    double width, double lineSpacing) {
    TextAttributes attributes;
    attributes.font = font;
    ParagraphStyle paragraph;
    if (lineSpacing != 0) paragraph.lineSpacing = lineSpacing;
    attributes.paragraphStyle = paragraph;
    const double unbounded = std::numeric_limits<float>::max();
    const unsigned options = UsesLineFragmentOrigin | UsesFontLeading | TruncatesLastVisibleLine;
    return boundingRectOfText(text, {width, unbounded}, options, attributes).height();
}

bool TavroAutoFittingTextFieldLabel::becomeFirstResponder() {
    platform::foundation::NotificationCenter::defaultCenter().post(
        kBecomeFirstResponderNotification, platform::foundation::Value::object(sharedView()));
    return TextField::becomeFirstResponder();
}
