// Loses one block on purpose: the sanitizer build runs it to show that its leak check,
// the one the window tests run under, reports what is lost.
int* volatile lost = nullptr;

int main() {
    lost = new int[7]{};
    lost = nullptr;
    return 0;
}
