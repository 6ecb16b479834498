#include "ProductMain.h"

int main(int argc, char** argv) { return quentrel::ProductMain::main(argc, argv); }
