ModName=cove
ModFullName=The Secret of Orrelin Cove
ModAuthor=The Kaz engine team
ModWebSite=
ModLogo=
ModVersion=0.1.0
ModPackages=cove;cove_built
ClassName=CoveApplication
