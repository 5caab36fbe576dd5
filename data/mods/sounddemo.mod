ModName=sounddemo
ModFullName=Kaz Sound Demo
ModAuthor=The Kaz engine team
ModWebSite=
ModLogo=
ModVersion=0.1.0
ModPackages=sounddemo
ClassName=SoundDemoApplication
