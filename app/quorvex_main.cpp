// The program's one application object, made before main() runs; the framework's main()
// (quorvex_app_main) finds it and starts it.
#include "app/quorvex_app.h"

namespace {

quorvex::QuorvexApp application;

}  // namespace
