// The baseline of the four-argument run: a C++ program built like boardtool
// that ends at once.
int main()
{
    return 0;
}
