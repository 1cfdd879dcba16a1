#include "app/app.h"

int main(int argc, char** argv) { return gradix::runGradix(argc, argv); }
