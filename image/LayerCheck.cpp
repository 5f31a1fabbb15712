// Linked with the whole image library and Qt Core and Gui only: the build fails when any part of
// the image layer needs Qt Widgets.
int main() {
    return 0;
}
