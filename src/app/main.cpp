// Process entry of the demo player (start-up arrives with the player work).
int main()
{
    return 0;
}
