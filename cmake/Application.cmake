# The program above the engine: plain logic per subsystem, then the Qt windows.
find_package(Qt6 REQUIRED COMPONENTS Widgets PrintSupport Network Test)
