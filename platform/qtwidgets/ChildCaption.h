#pragma once

#include <string>

class QWidget;

// Sets the caption of the control named objectName of window, as the text table relabels it: the
// window's own title when the name is the window's, a label's or button's text, a group box's title,
// or the tab of a page in a tab widget. text is UTF-8. An unknown name changes nothing.
void setChildCaption(QWidget& window, const std::string& objectName, const std::string& text);
