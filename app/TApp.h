// The application: builds the main frame with the control panel as its client.
#pragma once

#include <wx/app.h>

class TApp : public wxApp {
public:
    bool OnInit() override;
};
