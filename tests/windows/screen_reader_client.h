// What a screen reader reads of a window through the system's accessibility interface (MSAA), for the
// window tests. Apart from them, since the system's headers and the program's own records share names.
#pragma once

#include <string>
#include <vector>

// The names of a window's accessible children, in the order its accessible object lists them.
std::vector<std::string> child_names(void* window);

// Notes the text of each system alert raised in this process while it lives, as the thread's message loop
// hands them over (Wine's, once each time the loop looks at the queue).
class AlertListener {
public:
    AlertListener();
    ~AlertListener();
    AlertListener(const AlertListener&) = delete;
    AlertListener& operator=(const AlertListener&) = delete;

    const std::vector<std::string>& alerts() const;

private:
    void* hook_;
};
