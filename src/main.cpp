#include "widget/sonaris_widget.hpp"

int main(int argc, char** argv) { return sonaris::widget::SonarisWidget::main(argc, argv); }
