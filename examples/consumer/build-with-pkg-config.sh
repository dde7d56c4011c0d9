c++ -std=c++20 main.cpp -o consumer $(pkg-config --cflags --libs windowsutils-hostkit) \
    -Wl,-rpath,"$(pkg-config --variable=libdir windowsutils)"
