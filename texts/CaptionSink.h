#pragma once

#include <string>

// A window whose controls the text table relabels. Controls are named by their object names, which
// are the names of the windows' members (e.g. "FileMenu", "Neu1"); texts are UTF-8. The window
// implements this; the text table knows no widgets.
class CaptionSink {
public:
    virtual ~CaptionSink() = default;
    virtual void setCaption(const std::string& objectName, const std::string& text) = 0;
};
