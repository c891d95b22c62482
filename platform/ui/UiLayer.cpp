// Anchor of the user-interface library; the layer's parts live in the files beside it.
namespace qh::ui {
int layerVersion() { return 1; }
}
