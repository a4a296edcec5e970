#pragma once

#include <string>

class QDialog;
class QWidget;

// Sets the caption of the control named objectName of window, as the text table relabels it: the
// window's own title when the name is the window's, a label's or button's text, a group box's title,
// or the tab of a page in a tab widget. text is UTF-8. An unknown name changes nothing. A label or
// push button placed by hand is widened to its new caption (fitCaption).
void setChildCaption(QWidget& window, const std::string& objectName, const std::string& text);

// The width in pixels that a label or push button needs to show its whole caption in its own font
// and style; 0 for any other widget and for an empty caption.
int captionWidth(const QWidget& control);

// Widens a label or push button placed by hand (not managed by a layout) whose caption does not fit.
// Its position stays: it grows to the right, or to the left for a right-aligned label, or to both
// sides for a centred one. It never shrinks, so a shorter caption leaves it as it was.
void fitCaption(QWidget& control);

// Keeps the labels and push buttons placed by hand directly on container fitting their captions,
// whoever sets them: each change of a caption, and each show, fits them once the event loop runs.
// Containers with a layout need none of this.
void keepCaptionsFitting(QWidget& container);

// Makes Enter in a field of dialog press only a button made the default explicitly: Qt otherwise
// lets the first push button of a shown dialog take that part (auto-default), so Enter in a field
// would save and close it. Run once all the dialog's buttons exist.
void keepEnterForTheDefaultButton(QDialog& dialog);
