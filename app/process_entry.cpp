#include "app/process_entry.h"

namespace console {

std::int32_t processEntry(ProgramRuntime& runtime, FormsRuntime& forms, int argc, char** argv) {
  forms.markMainProgram();
  runtime.registerUser();
  const std::int32_t result = forms.run(argc, argv);
  runtime.unregisterUser();
  if (runtime.mayRelease()) runtime.release();
  return result;
}

}  // namespace console
