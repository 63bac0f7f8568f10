#include "app/start_up_steps.h"

namespace orbilan {

// Integration point: the settings reader, the theme colours and the panel builders join here
// once they exist; until then the program starts with theme 0 and the view alone.
StartUpSteps program_start_up_steps() { return {}; }

}  // namespace orbilan
